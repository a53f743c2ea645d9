// Tests of scale (app).
#include "CodePages.h"
#include "FormHarness.h"
#include "PtyPair.h"
#include "StationFixture.h"
#include "Sell_Add_Cp_Code.h"
#include "Unit1.h"
#include "datacenter_code.h"
#include "sell_dh_input_code.h"
#include "weighing_code.h"
#include "one_value_file.h"
#include "scale_code.h"
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <QElapsedTimer>
#include <QFile>
#include <functional>

using namespace FormHarness;

namespace {

const QString TypeMessage = QStringLiteral("dianzc_type.txt不存在或异常，请联系管理员!");

// A frame as the scale sends it: "ST,GS", the marker blank at position 6,
// a sign, six digits, the unit; 16 characters and CR LF.
QByteArray Frame(const char *Digits, char Sign = '+')
{
    return QByteArray("ST,GS ") + Sign + Digits + " kg\r\n";
}

bool WaitFor(const std::function<bool()> &Done, int Ms = 30000)
{
    QElapsedTimer t;
    t.start();
    while (!Done() && t.elapsed() < Ms)
        ProcessEvents(5);
    return Done();
}

void WriteGbk(const QString &Path, const QString &Text)
{
    QFile f(Path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(StringToCodePage(Text, 936));
}

QStringList Items(TComboBox *Combo)
{
    QStringList out;
    for (int i = 0; i < Combo->Items()->Count(); ++i)
        out << Combo->Items()->Strings(i);
    return out;
}

} // namespace

TEST(ScaleFrame, WeightFromTheSixDigits)
{
    const struct { const char *Digits; const char *Weight; } cases[] = {
        {"001234", "12.34"}, {"000150", "1.5"},  {"000105", "1.05"}, {"120000", "1200"},
        {"000000", "0"},     {"000050", "0.5"},  {"000005", "0.05"}, {"999999", "9999.99"},
        {"010000", "100"},   {"001000", "10"},   {"000100", "1"},    {"100001", "1000.01"},
        {"000010", "0.1"},   {"000001", "0.01"}, {"100000", "1000"}, {"050505", "505.05"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ParseScaleFrame(QString::fromLatin1(Frame(c.Digits))), QString::fromLatin1(c.Weight)) << c.Digits;
}

TEST(ScaleFrame, MarkerSignAndUnreadableFrames)
{
    const struct { const char *Text; const char *Weight; } cases[] = {
        // A minus shows: the scale reads below zero. Any other sign is skipped.
        {"ST,GS -001234 kg", "-12.34"},
        {"ST,GS -000300 kg", "-3"},
        {"ST,GS -000000 kg", "0"},
        {"ST,GS ?000300 kg", "3"},
        {"ST,GS  001234 kg", "12.34"},
        // The first blank marks; later blanks do not.
        {" +001234 kg     ", "12.34"},
        {"ABCDEFGH +001234", "12.34"},
        {"A B +001234", ""}, // marked by the first blank, the digits would start at the second
        // Fifteen leading characters at most: the marker at 16, else no weight.
        {"ABCDEFGHIJKLMNO +001234", "12.34"},
        {"ABCDEFGHIJKLMNOP+005678", ""},
        {"ABCDEFGHIJKLMNOP +005678", ""},
        {"99999999999999999999999999", ""},
        {"ABCDEFGHI +001234", "12.34"},
        // Too short for the six digits: nothing to show.
        {"ABCDEFGHIJKLMNOP", ""},
        {"ABCDEFGHIJ +0012", ""},
        {"ST,GS +0012", ""},
        {"", ""},
        // Garbled digits show nothing rather than a wrong weight.
        {"ST,GS +00x234 kg", ""},
        {"ST,GS +0012 4 kg", ""},
        {"ST,GS +-01234 kg", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ParseScaleFrame(QString::fromLatin1(c.Text)), QString::fromLatin1(c.Weight)) << c.Text;
    EXPECT_EQ(ParseScaleFrame(QStringLiteral("ST,GS +００1234 kg")), QString());
}

TEST(ScaleFrame, NewestCompleteFrameOfWhatArrived)
{
    const QString a = QString::fromLatin1(Frame("001234")), b = QString::fromLatin1(Frame("000150"));
    struct Step {
        QString Text;
        const char *Weight;
    };
    const struct {
        const char *What;
        std::vector<Step> Steps;
    } cases[] = {
        {"one frame", {{a, "12.34"}}},
        {"a burst shows its newest", {{a + a + b, "1.5"}}},
        {"a frame in two parts", {{a.left(7), ""}, {a.mid(7), "12.34"}}},
        // A read that starts mid-frame: the cut frame does not read, the whole one after it does.
        {"cut at the front", {{a.mid(9) + b, "1.5"}}},
        {"cut at the back waits", {{b + a.left(5), "1.5"}, {a.mid(5), "12.34"}}},
        {"newest unreadable gives way", {{a + QStringLiteral("ST,GS +00?150 kg\r\n"), "12.34"}}},
        {"lone line ends", {{QStringLiteral("\r\n\r\n"), ""}}},
        {"no line ends at all", {{QStringLiteral("ST,GS +000150 k"), ""}, {QStringLiteral("g"), "1.5"}}},
    };
    for (const auto &c : cases) {
        TScaleFrames frames;
        for (const Step &s : c.Steps)
            EXPECT_EQ(frames.Feed(s.Text), QString::fromLatin1(s.Weight)) << c.What;
    }
    // A run that never ends is dropped, not kept growing.
    TScaleFrames frames;
    for (int i = 0; i < 100; ++i)
        frames.Feed(QStringLiteral("x\r") + QString(70, QLatin1Char('y')));
    EXPECT_EQ(frames.Feed(b), QStringLiteral("1.5"));
}

namespace {

// A station folder with a scale on a pseudo-terminal pair and the main
// window made over it as start-up makes it (logged in, so showing it brings
// no login window).
class ScaleStation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Pty.Ready()) << Pty.Error().toStdString();
        FOldCom = qgetenv("STATION_COM1");
        qputenv("STATION_COM1", Pty.Near().toLocal8Bit());
        Application->Initialize();
    }

    void TearDown() override
    {
        delete sell_dh_input;
        delete DataCenter;
        delete main_;
        main_ = nullptr;
        if (FOldCom.isEmpty())
            qunsetenv("STATION_COM1");
        else
            qputenv("STATION_COM1", FOldCom);
    }

    void SetType(const QByteArray &Text) const
    {
        QFile f(Station.Db() + QStringLiteral("dianzc_type.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(Text);
    }

    void CreateMain()
    {
        Application->CreateForm(main_);
        main_->SetTag(1);
    }

    bool Send(const char *Digits, char Sign = '+') { return Pty.WriteFar(Frame(Digits, Sign)); }
    bool Shows(const QString &Weight)
    {
        return WaitFor([&] { return main_->m_zhongzl->Text() == Weight; });
    }

    StationFolder Station{false};
    TPtyPair Pty;
    QByteArray FOldCom;
};

} // namespace

TEST_F(ScaleStation, FramesFromThePortShowAsTheWeight)
{
    SetType("1\r\n");
    CreateMain();
    TMSComm *c = main_->MSComm1;
    ASSERT_TRUE(c->PortOpen());
    EXPECT_EQ(c->DeviceName(), Pty.Near());
    EXPECT_EQ(c->CommPort(), 1);
    EXPECT_EQ(c->Settings(), QStringLiteral("2400,N,8,1"));
    EXPECT_EQ(c->InputLen(), 16);
    EXPECT_EQ(c->RThreshold(), 18);
    EXPECT_EQ(c->Handshaking(), 3);
    EXPECT_EQ(c->InputMode(), 0);
    EXPECT_EQ(main_->m_zhongzl->Tag(), 1);
    EXPECT_TRUE(main_->m_zhongzl->ReadOnly());
    EXPECT_EQ(main_->m_stopread->Caption(), QStringLiteral("停止读秤"));
    EXPECT_EQ(main_->i_kg->Caption(), QStringLiteral("斤"));
    EXPECT_EQ(main_->m_zhongzl->Text(), QStringLiteral("0"));

    ASSERT_TRUE(Send("001234"));
    EXPECT_TRUE(Shows(QStringLiteral("12.34")));
    // Both buffers are emptied after each frame.
    EXPECT_EQ(c->InBufferCount(), 0);
    ASSERT_TRUE(Send("000150"));
    EXPECT_TRUE(Shows(QStringLiteral("1.5")));
    ASSERT_TRUE(Send("000005"));
    EXPECT_TRUE(Shows(QStringLiteral("0.05")));
    // A garbled frame keeps the last weight; the next good one shows.
    ASSERT_TRUE(Pty.WriteFar("ST,GS +00?150 kg\r\n"));
    ASSERT_TRUE(WaitFor([&] { return c->InBufferCount() == 0; }));
    ProcessEvents(30);
    EXPECT_EQ(main_->m_zhongzl->Text(), QStringLiteral("0.05"));
    ASSERT_TRUE(Send("120000"));
    EXPECT_TRUE(Shows(QStringLiteral("1200")));

    // Closing the main window closes the port.
    TCloseAction action = caHide;
    main_->OnClose()(main_, action);
    EXPECT_FALSE(c->PortOpen());
}

TEST_F(ScaleStation, BurstsAndCutFramesShowTheNewestWeight)
{
    SetType("1");
    CreateMain();
    ASSERT_TRUE(Send("001234"));
    ASSERT_TRUE(Shows(QStringLiteral("12.34")));
    // Three frames at once: the newest is on the scale now.
    ASSERT_TRUE(Pty.WriteFar(Frame("000100") + Frame("000200") + Frame("000300")));
    EXPECT_TRUE(Shows(QStringLiteral("3")));
    // The tail of a frame whose head was missed, then a whole frame.
    ASSERT_TRUE(Pty.WriteFar(QByteArray("0 kg\r\n") + Frame("000150")));
    EXPECT_TRUE(Shows(QStringLiteral("1.5")));
    // A frame that arrives in two pieces still shows (the port reports every 18 bytes).
    const QByteArray f = Frame("002500") + Frame("002600") + Frame("002700");
    ASSERT_TRUE(Pty.WriteFar(f.left(27)));
    ASSERT_TRUE(WaitFor([&] { return main_->m_zhongzl->Text() == QStringLiteral("25"); }));
    ASSERT_TRUE(Pty.WriteFar(f.mid(27, 18)));
    EXPECT_TRUE(Shows(QStringLiteral("26")));
    // Below zero the weight shows its sign (after the rest of the cut frame).
    ASSERT_TRUE(Pty.WriteFar(f.mid(45)));
    ASSERT_TRUE(Send("000300", '-'));
    EXPECT_TRUE(Shows(QStringLiteral("-3")));
}

TEST_F(ScaleStation, ALoneFrameShorterThanTheThresholdShowsOnceTheLineIsQuiet)
{
    // A scale that sends one 15-byte frame when it settles; the port reports
    // every 18 bytes. The weighing after it must store that frame's weight.
    SetType("1");
    Station.Sql(QStringLiteral("INSERT INTO sys_jhdh (id, dh, dhrq, unit, lx) VALUES (1, 'T-1', '2024-05-01', 1, 2);"
                               "INSERT INTO sys_jhsj (id, dhid, mc, dinghl, dj) VALUES (11, 1, 1, 30, 2)"));
    CreateMain();
    Application->CreateForm(DataCenter);
    Application->CreateForm(sell_dh_input);
    ASSERT_TRUE(Send("000888"));
    ASSERT_TRUE(Shows(QStringLiteral("8.88")));
    const struct {
        const char *Frame, *Weight;
    } frames[] = {{"ST,GS +000999\r\n", "9.99"}, {"ST,GS +001234kg", "12.34"}};
    for (const auto &f : frames) {
        ASSERT_TRUE(Pty.WriteFar(f.Frame));
        EXPECT_TRUE(WaitFor([&] { return main_->m_zhongzl->Text() == QLatin1String(f.Weight); })) << f.Weight;
        main_->Sell_StringGrid1->SetTag(11);
        OpenLineWeighing();
        ASSERT_TRUE(sell_dh_input->Visible());
        Click(sell_dh_input->Button13);
    }
    auto q = DataCenter->LocalOpen(QStringLiteral("select group_concat(zhongzl,' ') from sys_jhsj_mx where jhsj_id=11"));
    EXPECT_EQ(q->Fields(0).AsString(), QStringLiteral("9.99 12.34"));
}

TEST_F(ScaleStation, LostDeviceClearsTheWeightAndSaysSo)
{
    SetType("1");
    CreateMain();
    ASSERT_TRUE(Send("001234"));
    ASSERT_TRUE(Shows(QStringLiteral("12.34")));
    TModalAnswerer answers;
    Pty.Stop();
    ASSERT_TRUE(WaitFor([&] { return !answers.Texts.isEmpty(); }));
    ProcessEvents(50);
    EXPECT_EQ(answers.Texts, QStringList{ScaleLostMessage()});
    EXPECT_EQ(main_->m_zhongzl->Text(), QString());
    EXPECT_FALSE(main_->MSComm1->PortOpen());
}

TEST_F(ScaleStation, StopReadingForTypedWeightsAndStartAgain)
{
    SetType("1");
    CreateMain();
    ASSERT_TRUE(ShowAndActivate(main_));
    ASSERT_TRUE(Send("001234"));
    ASSERT_TRUE(Shows(QStringLiteral("12.34")));

    Click(main_->m_stopread);
    EXPECT_EQ(main_->m_stopread->Caption(), QStringLiteral("开启读秤"));
    EXPECT_FALSE(main_->m_zhongzl->ReadOnly());
    EXPECT_EQ(main_->m_zhongzl->Text(), QStringLiteral("0"));
    // The operator types a weight; frames wait in the port meanwhile.
    main_->m_zhongzl->SetText(QStringLiteral("7.5"));
    ASSERT_TRUE(Send("000300"));
    ASSERT_TRUE(WaitFor([&] { return main_->MSComm1->InBufferCount() == 18; }));
    ASSERT_TRUE(Send("000400"));
    ASSERT_TRUE(WaitFor([&] { return main_->MSComm1->InBufferCount() == 36; }));
    EXPECT_EQ(main_->m_zhongzl->Text(), QStringLiteral("7.5"));

    Click(main_->m_stopread);
    EXPECT_EQ(main_->m_stopread->Caption(), QStringLiteral("停止读秤"));
    EXPECT_TRUE(main_->m_zhongzl->ReadOnly());
    EXPECT_EQ(main_->m_zhongzl->Text(), QStringLiteral("7.5"));
    // What arrived while reading was off is not shown as the weight now.
    EXPECT_EQ(main_->MSComm1->InBufferCount(), 0);
    ASSERT_TRUE(Send("000900"));
    EXPECT_TRUE(Shows(QStringLiteral("9")));
}

TEST_F(ScaleStation, TheAddProductDialogTakesTheWeightOnlyWhileTheScaleIsRead)
{
    Station.Sql(QStringLiteral("INSERT INTO sys_unit (id, usercode, shortname) VALUES (1, 'K1', '东饭店');"
                               "INSERT INTO sys_cp (id, bh, mc, dw) VALUES (1, 'C1', '土豆', '斤');"
                               "INSERT INTO sys_jhdh (id, dh, dhrq, unit, lx) VALUES (1, 'T-1', '2024-05-01', 1, 2)"));
    Application->CreateForm(DataCenter);
    const struct {
        const char *Type;
        bool Reading;
        const char *Saved;
    } cases[] = {
        {"4", true, "1.5"},   // no scale: what is typed is the gross
        {"1", false, "1.5"},  // reading stopped
        {"1", true, "12.34"}, // the scale's weight
    };
    for (const auto &c : cases) {
        SetType(c.Type);
        CreateMain();
        main_->DateTimePicker1->SetDate(EncodeDate(2024, 5, 1));
        main_->LoadOrders(QString());
        if (!c.Reading)
            main_->m_stopreadClick(main_->m_stopread);
        ASSERT_TRUE(Send("001234"));
        if (c.Reading && main_->MSComm1->PortOpen()) {
            ASSERT_TRUE(Shows(QStringLiteral("12.34")));
        }
        TSell_Add_Cp dialog(nullptr);
        ASSERT_TRUE(ShowAndActivate(&dialog));
        dialog.Cp_mc->SetItemIndex(0);
        dialog.Cp_mcClick(dialog.Cp_mc);
        dialog.zzl->SetText(QStringLiteral("1.5"));
        dialog.Timer1Timer(dialog.Timer1);
        dialog.Button1Click(dialog.Button1);
        auto q = DataCenter->LocalOpen(QStringLiteral("select songhl from sys_jhsj where id=(select min(id) from sys_jhsj)"));
        EXPECT_EQ(q->Fields(0).AsString(), QString::fromLatin1(c.Saved)) << c.Type << c.Reading;
        delete main_;
        main_ = nullptr;
    }
}

TEST_F(ScaleStation, OtherTypesOpenThePortButOnlyTypeOneReadsIt)
{
    for (const char *type : {"2", "3"}) {
        SetType(type);
        CreateMain();
        EXPECT_TRUE(main_->MSComm1->PortOpen()) << type;
        ASSERT_TRUE(Send("001234"));
        ASSERT_TRUE(WaitFor([&] { return main_->MSComm1->InBufferCount() >= 18; })) << type;
        ProcessEvents(30);
        EXPECT_EQ(main_->m_zhongzl->Text(), QStringLiteral("0")) << type;
        delete main_;
        main_ = nullptr;
    }
}

TEST_F(ScaleStation, TypeFourLeavesThePortClosedAndTheWeightAsItWas)
{
    SetType("4\r\n");
    CreateMain();
    EXPECT_EQ(main_->m_zhongzl->Tag(), 4);
    EXPECT_FALSE(main_->MSComm1->PortOpen());
    ASSERT_TRUE(Send("001234"));
    ProcessEvents(100);
    EXPECT_EQ(main_->m_zhongzl->Text(), QStringLiteral("0"));
}

TEST_F(ScaleStation, RecalibrationReadsTheTypeAgainAndReopens)
{
    SetType("2");
    CreateMain();
    ASSERT_TRUE(main_->MSComm1->PortOpen());
    SetType("1\r\n");
    {
        TModalAnswerer answers;
        main_->YbButton1Click(main_->YbButton1);
        ASSERT_EQ(answers.Texts.size(), 1);
        EXPECT_EQ(answers.Texts[0], QStringLiteral("校秤成功"));
        EXPECT_EQ(answers.Captions[0], QStringLiteral("提示!"));
    }
    EXPECT_EQ(main_->m_zhongzl->Tag(), 1);
    EXPECT_TRUE(main_->MSComm1->PortOpen());
    ASSERT_TRUE(Send("001234"));
    ASSERT_TRUE(Shows(QStringLiteral("12.34")));

    // To type 4: the port closes and the weight keeps its last text.
    SetType("4");
    {
        TModalAnswerer answers;
        main_->YbButton1Click(main_->YbButton1);
        ASSERT_EQ(answers.Texts.size(), 1);
        EXPECT_EQ(answers.Texts[0], QStringLiteral("校秤成功"));
    }
    EXPECT_EQ(main_->m_zhongzl->Tag(), 4);
    EXPECT_FALSE(main_->MSComm1->PortOpen());
    ASSERT_TRUE(Send("000500"));
    ProcessEvents(100);
    EXPECT_EQ(main_->m_zhongzl->Text(), QStringLiteral("12.34"));
}

TEST_F(ScaleStation, RecalibrationWithoutTheDeviceShowsTheErrorNotSuccess)
{
    SetType("1");
    CreateMain();
    ASSERT_TRUE(ShowAndActivate(main_));
    ASSERT_TRUE(main_->MSComm1->PortOpen());
    qputenv("STATION_COM1", "/nonexistent/ttyScale");
    TModalAnswerer answers;
    Click(main_->YbButton1);
    ASSERT_TRUE(WaitFor([&] { return answers.Texts.size() == 1; }));
    ProcessEvents(50);
    ASSERT_EQ(answers.Texts.size(), 1);
    EXPECT_TRUE(answers.Texts[0].contains(QStringLiteral("/nonexistent/ttyScale"))) << answers.Texts[0].toStdString();
    EXPECT_FALSE(main_->MSComm1->PortOpen());
    // The station goes on: reading can be switched to typed weights.
    Click(main_->m_stopread);
    EXPECT_FALSE(main_->m_zhongzl->ReadOnly());
}

TEST_F(ScaleStation, StartUpWithoutTheDeviceShowsTheErrorAndGoesOn)
{
    SetType("1");
    qputenv("STATION_COM1", "/nonexistent/ttyScale");
    TModalAnswerer answers;
    CreateMain();
    ASSERT_NE(main_, nullptr);
    ASSERT_EQ(answers.Texts.size(), 1);
    // The operator's language, then the system's reason.
    EXPECT_TRUE(answers.Texts[0].startsWith(QStringLiteral("串口COM1 (/nonexistent/ttyScale) 无法打开: ")))
        << answers.Texts[0].toStdString();
    EXPECT_FALSE(main_->MSComm1->PortOpen());
    EXPECT_EQ(main_->m_zhongzl->Tag(), 1);
    EXPECT_EQ(main_->DateTimePicker1->Date(), WorkDateFor(Now()));
}

TEST_F(ScaleStation, MissingOrBrokenTypeFileIsReportedAndTypeOneUsed)
{
    const struct { bool Present; const char *Text; } cases[] = {
        {false, ""}, {true, ""}, {true, "\r\n"}, {true, "abc\r\n"}, {true, "1.5\r\n"},
    };
    for (const auto &c : cases) {
        QFile::remove(ScaleTypeFile());
        if (c.Present)
            SetType(c.Text);
        TModalAnswerer answers;
        CreateMain();
        ASSERT_EQ(answers.Texts.size(), 1) << c.Text;
        EXPECT_EQ(answers.Texts[0], TypeMessage);
        EXPECT_EQ(answers.Captions[0], QStringLiteral("提示!"));
        EXPECT_EQ(main_->m_zhongzl->Tag(), 1);
        EXPECT_TRUE(main_->MSComm1->PortOpen());
        delete main_;
        main_ = nullptr;
    }
    // Blanks around the number are no fault.
    SetType(" 4 \r\n5\r\n");
    EXPECT_EQ(ReadScaleType(), QStringLiteral("4"));
}

TEST_F(ScaleStation, TarePresetsFromTheGbkFilesPairedByLine)
{
    SetType("4");
    WriteGbk(TareNameFile(), QStringLiteral("动态录入\r\n塑料大框\r\n小筐\r\n"));
    WriteGbk(TareValueFile(), QStringLiteral("\r\n3.5\r\n0.8\r\n"));
    CreateMain();
    EXPECT_EQ(Items(main_->m_qup), (QStringList{QStringLiteral("动态录入"), QStringLiteral("塑料大框3.5"), QStringLiteral("小筐0.8")}));
    EXPECT_EQ(Items(main_->m_qup_value), (QStringList{QString(), QStringLiteral("3.5"), QStringLiteral("0.8")}));
    EXPECT_EQ(main_->m_qup->ItemIndex(), 0);
    EXPECT_FALSE(main_->m_qup_value->Visible());

    // Reloaded with another preset chosen; a name without a value is dropped.
    WriteGbk(TareNameFile(), QStringLiteral("动态录入\r\n中框\r\n无值\r\n"));
    WriteGbk(TareValueFile(), QStringLiteral("0\r\n2.5\r\n"));
    main_->LoadTarePresets(1);
    EXPECT_EQ(Items(main_->m_qup), (QStringList{QStringLiteral("动态录入0"), QStringLiteral("中框2.5")}));
    EXPECT_EQ(Items(main_->m_qup_value), (QStringList{QStringLiteral("0"), QStringLiteral("2.5")}));
    EXPECT_EQ(main_->m_qup->ItemIndex(), 1);
}

TEST_F(ScaleStation, WithoutPresetFilesTheBuiltInPresetsStay)
{
    SetType("4");
    WriteGbk(TareNameFile(), QStringLiteral("只有名称\r\n"));
    CreateMain();
    EXPECT_EQ(Items(main_->m_qup), (QStringList{QStringLiteral("动态录入"), QStringLiteral("默认皮重0"), QStringLiteral("大框3.5"),
                                                QStringLiteral("中框2.5"), QStringLiteral("小框1.0")}));
    EXPECT_EQ(Items(main_->m_qup_value),
              (QStringList{QString(), QStringLiteral("0"), QStringLiteral("3.5"), QStringLiteral("2.5"), QStringLiteral("1.0")}));
    EXPECT_EQ(main_->m_qup->ItemIndex(), 0);
}

namespace {

// Unblocks a reader stuck on the pipe Path (the fault this guards against)
// after a while, so a regression fails instead of hanging the run; Used()
// tells whether it had to.
class PipeRescue
{
public:
    explicit PipeRescue(const QString &Path)
        : FThread([Path, this] {
              for (int i = 0; i < 600 && !FDone; ++i)
                  std::this_thread::sleep_for(std::chrono::milliseconds(50));
              if (!FDone) {
                  FUsed = true;
                  const int fd = ::open(QFile::encodeName(Path).constData(), O_WRONLY | O_NONBLOCK);
                  if (fd >= 0)
                      ::close(fd);
              }
          })
    {
    }
    ~PipeRescue()
    {
        FDone = true;
        FThread.join();
    }
    bool Used() const { return FUsed; }

private:
    std::atomic<bool> FDone{false};
    std::atomic<bool> FUsed{false};
    std::thread FThread;
};

} // namespace

TEST_F(ScaleStation, OneValueFilesThatAreNoFilesToReadAreReportedNotWaitedFor)
{
    // A pipe as the scale type: start-up goes on with type 1 and says why.
    QFile::remove(ScaleTypeFile());
    ASSERT_EQ(mkfifo(QFile::encodeName(ScaleTypeFile()).constData(), 0600), 0);
    {
        PipeRescue rescue(ScaleTypeFile());
        TModalAnswerer answers;
        CreateMain();
        EXPECT_FALSE(rescue.Used()) << "start-up waited on the pipe";
        ASSERT_EQ(answers.Texts.size(), 1);
        EXPECT_EQ(answers.Texts[0], TypeMessage + QStringLiteral("\ndianzc_type.txt不是普通文件"));
        EXPECT_EQ(main_->m_zhongzl->Tag(), 1);
        delete main_;
        main_ = nullptr;
    }
    // One byte over the limit is too large; at the limit it reads.
    QFile::remove(ScaleTypeFile());
    SetType("4\r\n" + QByteArray(OneValueFileLimit - 3, ' '));
    EXPECT_EQ(ReadScaleType(), QStringLiteral("4"));
    SetType("4\r\n" + QByteArray(OneValueFileLimit - 2, ' '));
    {
        TModalAnswerer answers;
        EXPECT_EQ(ReadScaleType(), QStringLiteral("1"));
        EXPECT_EQ(answers.Texts, QStringList{TypeMessage + QStringLiteral("\ndianzc_type.txt过大(65537字节,最多65536字节)")});
    }

    // A million tare presets: refused as a whole, the built-in presets stay.
    SetType("4");
    {
        QByteArray names, values;
        for (int i = 0; i < 1000000; ++i) {
            names += "框\r\n";
            values += "1\r\n";
        }
        QFile n(TareNameFile()), v(TareValueFile());
        ASSERT_TRUE(n.open(QIODevice::WriteOnly) && v.open(QIODevice::WriteOnly));
        n.write(StringToCodePage(QString::fromUtf8(names), 936));
        v.write(values);
    }
    {
        TModalAnswerer answers;
        CreateMain();
        EXPECT_EQ(answers.Texts, QStringList{QStringLiteral("qup_name.txt过大(4000000字节,最多65536字节),皮重设置未读取,请联系管理员!")});
        EXPECT_EQ(main_->m_qup->Items()->Count(), 5);
        EXPECT_EQ(Items(main_->m_qup_value),
                  (QStringList{QString(), QStringLiteral("0"), QStringLiteral("3.5"), QStringLiteral("2.5"), QStringLiteral("1.0")}));
    }
}

TEST_F(ScaleStation, TarePresetsOutsideTheScalesRangeAreLeftOut)
{
    SetType("4");
    WriteGbk(TareNameFile(), QStringLiteral("动态录入\r\n巨框\r\n负框\r\n坏框\r\n满框\r\n超框\r\n小框\r\n"));
    WriteGbk(TareValueFile(), QStringLiteral("\r\n1e308\r\n-1\r\nnan\r\n9999.99\r\n10000\r\n0.8\r\n"));
    TModalAnswerer answers;
    CreateMain();
    EXPECT_EQ(Items(main_->m_qup), (QStringList{QStringLiteral("动态录入"), QStringLiteral("满框9999.99"), QStringLiteral("小框0.8")}));
    EXPECT_EQ(Items(main_->m_qup_value), (QStringList{QString(), QStringLiteral("9999.99"), QStringLiteral("0.8")}));
    EXPECT_EQ(answers.Texts, QStringList{QStringLiteral("皮重必须是0到9999.99之间的数,以下皮重未采用: 巨框1e308, 负框-1, 坏框nan, 超框10000")});
    EXPECT_EQ(answers.Captions, QStringList{QStringLiteral("提示!")});
}

TEST_F(ScaleStation, APortThatCannotBeOpenedIsExplainedInChineseWithItsDevice)
{
    SetType("1");
    const struct { QString Device; const char *Reason; } cases[] = {
        {QStringLiteral("/nonexistent/ttyScale"), "设备不存在"},
        {QStringLiteral("/dev/null"), "该设备不是串口"},
        {Station.Db(), "该设备不是串口"},
    };
    for (const auto &c : cases) {
        qputenv("STATION_COM1", c.Device.toLocal8Bit());
        TModalAnswerer answers;
        CreateMain();
        ASSERT_EQ(answers.Texts.size(), 1) << c.Reason;
        EXPECT_EQ(answers.Texts[0], QStringLiteral("串口COM1 (%1) 无法打开: %2.").arg(c.Device, QString::fromUtf8(c.Reason)));
        delete main_;
        main_ = nullptr;
    }
}

TEST_F(ScaleStation, TheFirstTapAfterABoxOrKeypadClosedActs)
{
    // Without a window manager nothing gives the window back its activation
    // when a modal window closes: the tap itself must.
    SetType("4");
    CreateMain();
    ASSERT_TRUE(ShowAndActivate(main_));
    enum Closing { Box, Keypad };
    const struct { Closing Before; TControl *Target; std::function<bool()> Acted; } cases[] = {
        {Box, main_->SameBang, [&] { return main_->SameBang->Checked(); }},
        {Keypad, main_->DifferentBang, [&] { return main_->DifferentBang->Checked(); }},
        {Box, main_->DifferentBang, [&] { return main_->DifferentBang->Checked(); }},
        {Keypad, main_->SameBang, [&] { return main_->SameBang->Checked(); }},
        {Keypad, main_->YbButton1, nullptr},
        {Box, main_->YbButton1, nullptr},
    };
    for (const auto &c : cases) {
        main_->DifferentBang->SetChecked(c.Target == main_->SameBang);
        main_->SameBang->SetChecked(c.Target != main_->SameBang);
        if (c.Before == Box) {
            TModalAnswerer closes;
            Application->MessageBox(QStringLiteral("提示"), QStringLiteral("提示!"), MB_ICONWARNING);
        } else {
            TForm *keypad = nullptr;
            Application->CreateForm(keypad);
            Later([keypad] { keypad->SetModalResult(mrOk); });
            keypad->ShowModal();
            delete keypad;
        }
        ProcessEvents(10);
        TModalAnswerer answers;
        Click(c.Target);
        ProcessEvents(10);
        if (c.Acted)
            EXPECT_TRUE(c.Acted()) << int(c.Before) << ' ' << c.Target->Name().toStdString();
        else
            EXPECT_EQ(answers.Texts, QStringList{QStringLiteral("校秤成功")}) << int(c.Before);
    }
}
