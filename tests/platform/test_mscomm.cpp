// Tests of mscomm (platform).
#include "FormHarness.h"
#include "MSComm.h"
#include "PtyPair.h"
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <algorithm>
#include <functional>

using namespace FormHarness;

namespace {

bool WaitFor(const std::function<bool()> &Done, int Ms = 30000)
{
    QElapsedTimer t;
    t.start();
    while (!Done() && t.elapsed() < Ms)
        ProcessEvents(5);
    return Done();
}

int ErrorCode(const std::function<void()> &Step)
{
    try {
        Step();
    } catch (const EMSCommError &E) {
        return E.Code();
    }
    return 0;
}

// OnComm handlers written in place.
struct TCommSink
{
    std::function<void(TObject *)> Proc;
    void Comm(TObject *Sender) { Proc(Sender); }
    TNotifyEvent Event() { return TNotifyEvent(this, &TCommSink::Comm); }
};

// STATION_COM1 set for the life of a test, restored after.
class TComEnv
{
public:
    explicit TComEnv(const QString &Device) : FOld(qgetenv("STATION_COM1")), FHad(qEnvironmentVariableIsSet("STATION_COM1"))
    {
        qputenv("STATION_COM1", Device.toLocal8Bit());
    }
    ~TComEnv()
    {
        if (FHad)
            qputenv("STATION_COM1", FOld);
        else
            qunsetenv("STATION_COM1");
    }

private:
    QByteArray FOld;
    bool FHad;
};

// A control opened on the near end of a fresh pty pair, counting its events.
class MSCommPty : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Pty.Ready()) << Pty.Error().toStdString();
        Env = std::make_unique<TComEnv>(Pty.Near());
        Comm.SetSettings(QStringLiteral("2400,N,8,1"));
        Sink.Proc = [this](TObject *) { Events.push_back(Comm.CommEvent()); };
        Comm.SetOnComm(Sink.Event());
        Comm.SetPortOpen(true);
        ASSERT_TRUE(Comm.PortOpen());
    }

    int ReceiveEvents() const { return int(std::count(Events.begin(), Events.end(), comEvReceive)); }

    TPtyPair Pty;
    std::unique_ptr<TComEnv> Env;
    TMSComm Comm{nullptr};
    std::vector<int> Events;
    TCommSink Sink;
};

} // namespace

TEST(MSComm, Defaults)
{
    TMSComm c(nullptr);
    EXPECT_EQ(c.CommPort(), 1);
    EXPECT_EQ(c.Settings(), QStringLiteral("9600,N,8,1"));
    EXPECT_FALSE(c.PortOpen());
    EXPECT_EQ(c.InputLen(), 0);
    EXPECT_EQ(c.RThreshold(), 0);
    EXPECT_EQ(c.InputMode(), comInputModeText);
    EXPECT_EQ(c.Handshaking(), comNone);
    EXPECT_EQ(c.InBufferSize(), 1024);
    EXPECT_EQ(c.CommEvent(), 0);
    EXPECT_EQ(c.OutBufferCount(), 0);
}

TEST(MSComm, SettingsTextIsCheckedAndABadOneKeepsTheOld)
{
    TMSComm c(nullptr);
    for (const char *good : {"2400,N,8,1", "9600,e,7,2", "19200,O,8,1.5", "110,M,5,1", "115200,s,6,2"}) {
        c.SetSettings(QString::fromLatin1(good));
        EXPECT_EQ(c.Settings(), QString::fromLatin1(good));
    }
    c.SetSettings(QStringLiteral("2400,N,8,1"));
    for (const char *bad : {"", "2400", "2400,N,8", "2400,N,8,1,0", "abc,N,8,1", "0,N,8,1", "-2400,N,8,1", "2400,X,8,1",
                            "2400,N,4,1", "2400,N,9,1", "2400,N,8,3", "2400,N,8,1.0", "2400,NN,8,1"}) {
        EXPECT_EQ(ErrorCode([&] { c.SetSettings(QString::fromLatin1(bad)); }), comInvalidPropertyValue) << bad;
        EXPECT_EQ(c.Settings(), QStringLiteral("2400,N,8,1")) << bad;
    }
}

TEST(MSComm, PropertyRanges)
{
    TMSComm c(nullptr);
    EXPECT_EQ(ErrorCode([&] { c.SetCommPort(0); }), comInvalidPropertyValue);
    EXPECT_EQ(ErrorCode([&] { c.SetCommPort(256); }), comInvalidPropertyValue);
    EXPECT_EQ(ErrorCode([&] { c.SetCommPort(255); }), 0);
    EXPECT_EQ(ErrorCode([&] { c.SetInputLen(-1); }), comInvalidPropertyValue);
    EXPECT_EQ(ErrorCode([&] { c.SetInputMode(2); }), comInvalidPropertyValue);
    EXPECT_EQ(ErrorCode([&] { c.SetRThreshold(-1); }), comInvalidPropertyValue);
    EXPECT_EQ(ErrorCode([&] { c.SetHandshaking(4); }), comInvalidPropertyValue);
    EXPECT_EQ(ErrorCode([&] { c.SetHandshaking(-1); }), comInvalidPropertyValue);
    EXPECT_EQ(ErrorCode([&] { c.SetInBufferSize(0); }), comInvalidPropertyValue);
    // Only emptying the buffers may be asked for; closed buffers empty quietly.
    EXPECT_EQ(ErrorCode([&] { c.SetInBufferCount(1); }), comInvalidPropertyValue);
    EXPECT_EQ(ErrorCode([&] { c.SetOutBufferCount(5); }), comInvalidPropertyValue);
    EXPECT_EQ(ErrorCode([&] { c.SetInBufferCount(0); }), 0);
    EXPECT_EQ(ErrorCode([&] { c.SetOutBufferCount(0); }), 0);
    EXPECT_EQ(c.CommPort(), 255);
}

TEST(MSComm, DeviceNames)
{
    TComEnv env(QStringLiteral("/tmp/some-scale"));
    qunsetenv("STATION_COM3");
    TMSComm c(nullptr);
    EXPECT_EQ(c.DeviceName(), QStringLiteral("/tmp/some-scale"));
    c.SetCommPort(3);
    EXPECT_EQ(c.DeviceName(), QStringLiteral("/dev/ttyS2"));
    qunsetenv("STATION_COM1");
    c.SetCommPort(1);
    EXPECT_EQ(c.DeviceName(), QStringLiteral("/dev/ttyS0"));
}

TEST(MSComm, MissingDeviceRaisesWithItsPathAndStaysClosed)
{
    TComEnv env(QStringLiteral("/nonexistent/scale-port"));
    TMSComm c(nullptr);
    try {
        c.SetPortOpen(true);
        FAIL() << "opened a missing device";
    } catch (const EMSCommError &E) {
        EXPECT_EQ(E.Code(), comInvalidPortNumber);
        EXPECT_TRUE(E.Message().contains(QStringLiteral("/nonexistent/scale-port"))) << E.Message().toStdString();
    }
    EXPECT_FALSE(c.PortOpen());
    EXPECT_EQ(ErrorCode([&] { c.Input(); }), comPortNotOpen);
    // Closing a closed port is harmless.
    EXPECT_EQ(ErrorCode([&] { c.SetPortOpen(false); }), 0);
}

TEST(MSComm, NotADeviceCannotBeOpened)
{
    TComEnv env(QStringLiteral(STATION_SOURCE_DIR "/CMakeLists.txt"));
    TMSComm c(nullptr);
    EXPECT_NE(ErrorCode([&] { c.SetPortOpen(true); }), 0);
    EXPECT_FALSE(c.PortOpen());
}

TEST_F(MSCommPty, OpenPortRefusesASecondOpenAndANewPortNumber)
{
    EXPECT_EQ(ErrorCode([&] { Comm.SetPortOpen(true); }), comPortAlreadyOpen);
    EXPECT_EQ(ErrorCode([&] { Comm.SetCommPort(2); }), comPortAlreadyOpen);
    EXPECT_EQ(Comm.CommPort(), 1);
    EXPECT_TRUE(Comm.PortOpen());
    // Settings and handshaking change on the open port.
    Comm.SetSettings(QStringLiteral("9600,N,8,1"));
    EXPECT_EQ(Comm.Settings(), QStringLiteral("9600,N,8,1"));
    Comm.SetHandshaking(comRTSXOnXOff);
    Comm.SetHandshaking(comNone);
    EXPECT_TRUE(Comm.PortOpen());
    Comm.SetPortOpen(false);
    EXPECT_FALSE(Comm.PortOpen());
}

TEST_F(MSCommPty, ReceiveEventOnceThresholdIsReached)
{
    Comm.SetRThreshold(18);
    ASSERT_TRUE(Pty.WriteFar("0123456789"));
    EXPECT_TRUE(WaitFor([&] { return Comm.InBufferCount() == 10; }));
    ProcessEvents(50);
    EXPECT_EQ(ReceiveEvents(), 0);
    ASSERT_TRUE(Pty.WriteFar("abcdefgh"));
    ASSERT_TRUE(WaitFor([&] { return ReceiveEvents() > 0; }));
    EXPECT_EQ(Comm.CommEvent(), comEvReceive);
    EXPECT_EQ(Comm.InBufferCount(), 18);

    // InputLen characters at a time, the rest stays.
    Comm.SetInputLen(16);
    EXPECT_EQ(Comm.Input(), QStringLiteral("0123456789abcdef"));
    EXPECT_EQ(Comm.InBufferCount(), 2);
    Comm.SetInputLen(0);
    EXPECT_EQ(Comm.Input(), QStringLiteral("gh"));
    EXPECT_EQ(Comm.Input(), QString());
}

TEST_F(MSCommPty, NoThresholdNoEventButTheDataWaits)
{
    ASSERT_TRUE(Pty.WriteFar("hello scale"));
    EXPECT_TRUE(WaitFor([&] { return Comm.InBufferCount() == 11; }));
    EXPECT_TRUE(Events.empty());
    Comm.SetInBufferCount(0);
    EXPECT_EQ(Comm.InBufferCount(), 0);
    EXPECT_EQ(Comm.Input(), QString());
}

TEST_F(MSCommPty, TextModeDecodesTheSystemCodePageBinaryModeKeepsBytes)
{
    Comm.SetRThreshold(1);
    ASSERT_TRUE(Pty.WriteFar("\xD5\xC5\xC8\xFD"));
    ASSERT_TRUE(WaitFor([&] { return Comm.InBufferCount() == 4; }));
    EXPECT_EQ(Comm.Input(), QStringLiteral("张三"));
    Comm.SetInputMode(comInputModeBinary);
    ASSERT_TRUE(Pty.WriteFar("\xD5\xC5"));
    ASSERT_TRUE(WaitFor([&] { return Comm.InBufferCount() == 2; }));
    EXPECT_EQ(Comm.Input(), QString::fromLatin1("\xD5\xC5"));
}

TEST_F(MSCommPty, FullBufferDropsTheRestAndSaysSo)
{
    Comm.SetInBufferSize(32);
    Comm.SetRThreshold(1);
    ASSERT_TRUE(Pty.WriteFar(QByteArray(50, 'x')));
    ASSERT_TRUE(WaitFor([&] { return std::count(Events.begin(), Events.end(), comEventRxOver) > 0; }));
    EXPECT_EQ(Comm.InBufferCount(), 32);
}

TEST_F(MSCommPty, ReopenStartsEmptyWithNoEvent)
{
    Comm.SetRThreshold(4);
    ASSERT_TRUE(Pty.WriteFar("1234"));
    ASSERT_TRUE(WaitFor([&] { return ReceiveEvents() > 0; }));
    Comm.SetPortOpen(false);
    EXPECT_EQ(Comm.InBufferCount(), 0);
    Comm.SetPortOpen(true);
    EXPECT_EQ(Comm.CommEvent(), 0);
    EXPECT_EQ(Comm.InBufferCount(), 0);
    ASSERT_TRUE(Pty.WriteFar("5678"));
    ASSERT_TRUE(WaitFor([&] { return ReceiveEvents() > 1; }));
    EXPECT_EQ(Comm.Input(), QStringLiteral("5678"));
}

TEST_F(MSCommPty, AnErrorInTheHandlerIsShownAndReadingGoesOn)
{
    TModalAnswerer answers;
    Comm.SetRThreshold(2);
    int calls = 0;
    Sink.Proc = [&](TObject *) {
        ++calls;
        Comm.SetInBufferCount(0);
        if (calls == 1)
            throw EConvertError(QStringLiteral("bad frame"));
    };
    ASSERT_TRUE(Pty.WriteFar("ab"));
    ASSERT_TRUE(WaitFor([&] { return answers.Texts.size() == 1; }));
    EXPECT_EQ(answers.Texts[0], QStringLiteral("bad frame."));
    ASSERT_TRUE(Pty.WriteFar("cd"));
    EXPECT_TRUE(WaitFor([&] { return calls == 2; }));
    EXPECT_TRUE(Comm.PortOpen());
}

TEST_F(MSCommPty, PeerGoneClosesThePort)
{
    Pty.Stop();
    EXPECT_TRUE(WaitFor([&] { return !Comm.PortOpen(); }));
    EXPECT_EQ(Comm.InBufferCount(), 0);
}
