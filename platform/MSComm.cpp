// Implementation of the serial-port control.
#include "MSComm.h"
#include "CodePages.h"
#include "Forms.h"
#include <QFileInfo>
#include <QSerialPort>
#include <QTimer>

namespace {

EMSCommError InvalidValue()
{
    return EMSCommError(comInvalidPropertyValue, QStringLiteral("Invalid property value"));
}

// Why the port failed, in the operator's language: the system's own words
// are English. Opening (Device given) tells "not a serial port" apart from a
// setting the device refuses.
QString PortFailure(const QSerialPort &Port, const QString &Device = QString())
{
    const bool opening = !Device.isEmpty();
    if (opening && QFileInfo(Device).isDir())
        return QStringLiteral("该设备不是串口");
    switch (Port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("设备不存在");
    case QSerialPort::PermissionError:
        return QStringLiteral("没有权限, 或设备正被其他程序使用");
    case QSerialPort::OpenError:
        return QStringLiteral("端口已经打开");
    case QSerialPort::NotOpenError:
        return QStringLiteral("端口没有打开");
    case QSerialPort::UnsupportedOperationError:
        return opening ? QStringLiteral("该设备不是串口") : QStringLiteral("设备不支持该设置");
    case QSerialPort::ResourceError:
        return QStringLiteral("设备不可用, 可能已被拔出");
    case QSerialPort::ReadError:
        return QStringLiteral("读取设备出错");
    case QSerialPort::WriteError:
        return QStringLiteral("写入设备出错");
    case QSerialPort::TimeoutError:
        return QStringLiteral("设备没有响应");
    default:
        // No kind to name: the system's reason helps the administrator.
        return QStringLiteral("设备无法使用 (%1)").arg(Port.errorString());
    }
}

} // namespace

struct TMSComm::TLineSettings
{
    int Baud = 9600;
    QSerialPort::Parity Parity = QSerialPort::NoParity;
    QSerialPort::DataBits DataBits = QSerialPort::Data8;
    QSerialPort::StopBits StopBits = QSerialPort::OneStop;
};

STATION_PUBLISHED(TMSComm)
{
    P.Prop("CommPort", &TMSComm::CommPort, &TMSComm::SetCommPort).Default(1);
    P.Prop("Settings", &TMSComm::Settings, &TMSComm::SetSettings);
    P.Prop("InputLen", &TMSComm::InputLen, &TMSComm::SetInputLen).Default(0);
    P.Prop("InputMode", &TMSComm::InputMode, &TMSComm::SetInputMode).Default(0);
    P.Prop("InBufferSize", &TMSComm::InBufferSize, &TMSComm::SetInBufferSize).Default(1024);
    P.Prop("RThreshold", &TMSComm::RThreshold, &TMSComm::SetRThreshold).Default(0);
    P.Prop("RQuietTime", &TMSComm::RQuietTime, &TMSComm::SetRQuietTime).Default(0);
    P.Prop("Handshaking", &TMSComm::Handshaking, &TMSComm::SetHandshaking).Default(0);
    P.Prop("OnComm", &TMSComm::OnComm, &TMSComm::SetOnComm);
}

TMSComm::TMSComm(TComponent *AOwner) : TComponent(AOwner), FPort(new QSerialPort), FQuietTimer(new QTimer)
{
    FQuietTimer->setSingleShot(true);
    QObject::connect(FQuietTimer.get(), &QTimer::timeout, FQuietTimer.get(), [this] { LineQuiet(); });
    QObject::connect(FPort.get(), &QSerialPort::readyRead, FPort.get(), [this] { DataArrived(); });
    QObject::connect(FPort.get(), &QSerialPort::errorOccurred, FPort.get(), [this](QSerialPort::SerialPortError E) {
        // The device went away (a USB adapter pulled, the peer of a
        // pseudo-terminal gone): close, or the port would report it forever.
        if (E == QSerialPort::ResourceError || E == QSerialPort::ReadError)
            PortFailed();
    });
}

TMSComm::~TMSComm()
{
    if (FPort->isOpen())
        FPort->close();
}

QString TMSComm::DeviceName() const
{
    const QByteArray env = qgetenv(QStringLiteral("STATION_COM%1").arg(FCommPort).toLatin1().constData());
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return QStringLiteral("/dev/ttyS%1").arg(FCommPort - 1);
}

void TMSComm::SetCommPort(int Value)
{
    if (PortOpen())
        throw EMSCommError(comPortAlreadyOpen, QStringLiteral("Port already open"));
    if (Value < 1 || Value > 255)
        throw InvalidValue();
    FCommPort = Value;
}

bool TMSComm::ParseSettings(const QString &Text, TLineSettings &Out)
{
    const QStringList parts = Text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    bool ok = false;
    const int baud = parts[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0)
        return false;
    Out.Baud = baud;

    const QString parity = parts[1].trimmed().toUpper();
    if (parity == QLatin1String("N"))
        Out.Parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("E"))
        Out.Parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("O"))
        Out.Parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("M"))
        Out.Parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("S"))
        Out.Parity = QSerialPort::SpaceParity;
    else
        return false;

    const int data = parts[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8)
        return false;
    Out.DataBits = QSerialPort::DataBits(data);

    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        Out.StopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        Out.StopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        Out.StopBits = QSerialPort::TwoStop;
    else
        return false;
    return true;
}

void TMSComm::SetSettings(const QString &Value)
{
    TLineSettings s;
    if (!ParseSettings(Value, s))
        throw InvalidValue();
    const QString old = FSettings;
    FSettings = Value;
    if (!PortOpen())
        return;
    try {
        ApplySettings();
    } catch (...) {
        // The device refused them: it keeps, and we report, the old ones.
        FSettings = old;
        try {
            ApplySettings();
        } catch (...) {
        }
        throw;
    }
}

void TMSComm::ApplySettings()
{
    TLineSettings s;
    ParseSettings(FSettings, s);
    QSerialPort::FlowControl flow = QSerialPort::NoFlowControl;
    if (FHandshaking == comXOnXoff)
        flow = QSerialPort::SoftwareControl;
    else if (FHandshaking == comRTS || FHandshaking == comRTSXOnXOff)
        flow = QSerialPort::HardwareControl;
    if (!FPort->setBaudRate(s.Baud) || !FPort->setParity(s.Parity) || !FPort->setDataBits(s.DataBits)
        || !FPort->setStopBits(s.StopBits) || !FPort->setFlowControl(flow))
        throw EMSCommError(comSetCommStateFailed, QStringLiteral("串口COM%1 (%2) 无法设为 %3: %4")
                                                      .arg(FCommPort)
                                                      .arg(FPort->portName(), FSettings, PortFailure(*FPort)));
}

bool TMSComm::PortOpen() const
{
    return FPort->isOpen();
}

void TMSComm::SetPortOpen(bool Value)
{
    FQuietTimer->stop();
    if (!Value) {
        if (FPort->isOpen())
            FPort->close();
        FInBuffer.clear();
        return;
    }
    if (FPort->isOpen())
        throw EMSCommError(comPortAlreadyOpen, QStringLiteral("Port already open"));
    const QString device = DeviceName();
    FPort->setPortName(device);
    if (!FPort->open(QIODevice::ReadWrite)) {
        const int code = FPort->error() == QSerialPort::DeviceNotFoundError ? comInvalidPortNumber : comPortInUse;
        const QString reason = PortFailure(*FPort, device);
        FPort->clearError();
        throw EMSCommError(code, QStringLiteral("串口COM%1 (%2) 无法打开: %3").arg(FCommPort).arg(device, reason));
    }
    try {
        ApplySettings();
    } catch (...) {
        FPort->close();
        throw;
    }
    FPort->clear(QSerialPort::AllDirections);
    FInBuffer.clear();
    FRxOver = false;
    FCommEvent = 0;
}

void TMSComm::Pull()
{
    if (!FPort->isOpen())
        return;
    FInBuffer += FPort->readAll();
    if (FInBuffer.size() > FInBufferSize) {
        FInBuffer.truncate(FInBufferSize);
        FRxOver = true;
    }
}

QString TMSComm::Input()
{
    if (!FPort->isOpen())
        throw EMSCommError(comPortNotOpen, QStringLiteral("Operation valid only when the port is open"));
    Pull();
    const int n = FInputLen > 0 ? qMin(FInputLen, int(FInBuffer.size())) : int(FInBuffer.size());
    const QByteArray bytes = FInBuffer.left(n);
    FInBuffer.remove(0, n);
    if (FInputMode == comInputModeBinary)
        return QString::fromLatin1(bytes);
    return CodePageToString(bytes, CP_ACP);
}

void TMSComm::SetInputLen(int Value)
{
    if (Value < 0)
        throw InvalidValue();
    FInputLen = Value;
}

void TMSComm::SetInputMode(int Value)
{
    if (Value != comInputModeText && Value != comInputModeBinary)
        throw InvalidValue();
    FInputMode = Value;
}

int TMSComm::InBufferCount()
{
    Pull();
    return int(FInBuffer.size());
}

void TMSComm::SetInBufferCount(int Value)
{
    if (Value != 0)
        throw InvalidValue();
    if (FPort->isOpen()) {
        FPort->readAll();
        FPort->clear(QSerialPort::Input);
    }
    FInBuffer.clear();
}

int TMSComm::OutBufferCount() const
{
    return FPort->isOpen() ? int(FPort->bytesToWrite()) : 0;
}

void TMSComm::SetOutBufferCount(int Value)
{
    if (Value != 0)
        throw InvalidValue();
    if (FPort->isOpen())
        FPort->clear(QSerialPort::Output);
}

void TMSComm::SetInBufferSize(int Value)
{
    if (Value < 1)
        throw InvalidValue();
    FInBufferSize = Value;
    if (FInBuffer.size() > FInBufferSize)
        FInBuffer.truncate(FInBufferSize);
}

void TMSComm::SetRThreshold(int Value)
{
    if (Value < 0)
        throw InvalidValue();
    FRThreshold = Value;
}

void TMSComm::SetRQuietTime(int Value)
{
    if (Value < 0)
        throw InvalidValue();
    FRQuietTime = Value;
    if (Value == 0)
        FQuietTimer->stop();
}

void TMSComm::SetHandshaking(int Value)
{
    if (Value < comNone || Value > comRTSXOnXOff)
        throw InvalidValue();
    FHandshaking = Value;
    if (PortOpen())
        ApplySettings();
}

void TMSComm::DataArrived()
{
    Pull();
    if (FRxOver) {
        FRxOver = false;
        Fire(comEventRxOver);
    }
    if (!FPort->isOpen() || FRThreshold <= 0)
        return;
    if (FInBuffer.size() >= FRThreshold) {
        FQuietTimer->stop();
        Fire(comEvReceive);
    } else if (FRQuietTime > 0 && !FInBuffer.isEmpty()) {
        // Every arrival starts the silence over.
        FQuietTimer->start(FRQuietTime);
    }
}

void TMSComm::LineQuiet()
{
    if (!FPort->isOpen() || FRThreshold <= 0 || FRQuietTime <= 0)
        return;
    Pull();
    if (FInBuffer.size() >= FRThreshold)
        Fire(comEvReceive);
    else if (!FInBuffer.isEmpty())
        Fire(comEvQuiet);
}

void TMSComm::PortFailed()
{
    const bool wasOpen = FPort->isOpen();
    if (wasOpen)
        FPort->close();
    FPort->clearError();
    FInBuffer.clear();
    FQuietTimer->stop();
    // Reported once the port's own signal has returned: the handler may show a box.
    if (wasOpen)
        QMetaObject::invokeMethod(FPort.get(), [this] { Fire(comEventDeviceLost); }, Qt::QueuedConnection);
}

void TMSComm::Fire(int Event)
{
    FCommEvent = Event;
    if (!FOnComm)
        return;
    try {
        FOnComm(this);
    } catch (...) {
        Application->HandleException(this);
    }
}
