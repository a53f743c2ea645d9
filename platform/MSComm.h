// The serial-port control: a COM port chosen by number, its line settings as
// the text "baud,parity,data,stop", a receive buffer read through Input, and
// OnComm when enough characters have arrived (or fewer, once the line has
// been quiet for a while). Runs over QSerialPort on the GUI thread. COMn is /dev/ttyS<n-1> unless the environment variable
// STATION_COMn names another device (a pseudo-terminal, say).
#pragma once
#include "Component.h"
#include "Exceptions.h"
#include <QByteArray>
#include <memory>

class QSerialPort;
class QTimer;

// CommEvent values.
enum : int {
    comEvSend = 1,
    comEvReceive = 2,
    comEvCTS = 3,
    comEvDSR = 4,
    comEvCD = 5,
    comEvRing = 6,
    comEvEOF = 7,
    comEventBreak = 1001,
    comEventFrame = 1004,
    comEventOverrun = 1006,
    comEventRxOver = 1008,
    comEventRxParity = 1009,
    // The device failed while open (unplugged, peer gone): the port is closed.
    comEventDeviceLost = 1100,
    // Fewer than RThreshold bytes wait and nothing more arrived for RQuietTime.
    comEvQuiet = 1101,
};
// Handshaking values.
enum : int { comNone = 0, comXOnXoff = 1, comRTS = 2, comRTSXOnXOff = 3 };
// InputMode values.
enum : int { comInputModeText = 0, comInputModeBinary = 1 };

// Error codes carried by EMSCommError.
enum : int {
    comInvalidPropertyValue = 380,
    comInvalidPortNumber = 8002,
    comPortAlreadyOpen = 8005,
    comPortInUse = 8010,
    comSetCommStateFailed = 8015,
    comPortNotOpen = 8018,
};

class EMSCommError : public Exception
{
public:
    EMSCommError(int Code, const QString &Msg) : Exception(Msg), FCode(Code) {}
    int Code() const { return FCode; }
    const char *ClassName() const override { return "EMSCommError"; }

private:
    int FCode;
};

class TMSComm : public TComponent
{
    STATION_CLASS(TMSComm, TComponent)
public:
    explicit TMSComm(TComponent *AOwner);
    ~TMSComm() override;

    // 1..255; raises comPortAlreadyOpen while the port is open.
    int CommPort() const { return FCommPort; }
    void SetCommPort(int Value);
    // "baud,parity,data,stop", e.g. "2400,N,8,1"; parity N, E, O, M or S
    // (any case), data bits 5..8, stop bits 1, 1.5 or 2. A malformed text
    // raises comInvalidPropertyValue and keeps the old settings, as does one
    // the open device refuses (comSetCommStateFailed).
    const QString &Settings() const { return FSettings; }
    void SetSettings(const QString &Value);
    // Opening a port that is open raises comPortAlreadyOpen; a device that is
    // missing or cannot be opened raises with the device path and the
    // system's reason, and the port stays closed. Opening starts with empty
    // buffers and CommEvent 0. Closing discards both buffers. A device that
    // fails while open (unplugged, peer gone) closes the port and then
    // reports comEventDeviceLost through OnComm.
    bool PortOpen() const;
    void SetPortOpen(bool Value);
    // Device path behind CommPort.
    QString DeviceName() const;

    // Takes up to InputLen characters (all when 0) from the receive buffer.
    // Text mode decodes the bytes in the system code page; binary mode gives
    // one character per byte (U+0000..U+00FF). Raises comPortNotOpen when
    // the port is closed.
    QString Input();
    int InputLen() const { return FInputLen; }
    void SetInputLen(int Value);
    int InputMode() const { return FInputMode; }
    void SetInputMode(int Value);
    // Bytes waiting in the receive buffer; only 0 may be set (discards them).
    int InBufferCount();
    void SetInBufferCount(int Value);
    // Bytes waiting to be sent; only 0 may be set (discards them).
    int OutBufferCount() const;
    void SetOutBufferCount(int Value);
    // The receive buffer's size: bytes beyond it are dropped and OnComm
    // reports comEventRxOver.
    int InBufferSize() const { return FInBufferSize; }
    void SetInBufferSize(int Value);
    // OnComm with comEvReceive whenever data arrives and at least this many
    // bytes wait; 0 turns the event off.
    int RThreshold() const { return FRThreshold; }
    void SetRThreshold(int Value);
    // Milliseconds of silence after which bytes below RThreshold are
    // reported (comEvQuiet), so a message shorter than the threshold is not
    // left waiting for the next one; 0 (the default) or RThreshold 0 turns
    // the event off.
    int RQuietTime() const { return FRQuietTime; }
    void SetRQuietTime(int Value);
    // comNone, comXOnXoff, comRTS, comRTSXOnXOff. Serial ports here know one
    // flow control at a time: comRTSXOnXOff uses RTS/CTS.
    int Handshaking() const { return FHandshaking; }
    void SetHandshaking(int Value);

    // The last event reported through OnComm.
    int CommEvent() const { return FCommEvent; }
    TNotifyEvent OnComm() const { return FOnComm; }
    void SetOnComm(TNotifyEvent Value) { FOnComm = Value; }

private:
    struct TLineSettings;
    static bool ParseSettings(const QString &Text, TLineSettings &Out);
    void ApplySettings();
    void Pull();
    void DataArrived();
    void LineQuiet();
    void PortFailed();
    void Fire(int Event);

    std::unique_ptr<QSerialPort> FPort;
    std::unique_ptr<QTimer> FQuietTimer;
    QByteArray FInBuffer;
    int FCommPort = 1;
    QString FSettings = QStringLiteral("9600,N,8,1");
    int FInputLen = 0;
    int FInputMode = comInputModeText;
    int FInBufferSize = 1024;
    int FRThreshold = 0;
    int FRQuietTime = 0;
    int FHandshaking = comNone;
    int FCommEvent = 0;
    bool FRxOver = false;
    TNotifyEvent FOnComm;
};
