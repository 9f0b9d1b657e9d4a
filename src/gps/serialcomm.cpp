#include "gps/serialcomm.h"

#include "gps/nmeareplaydevice.h"
#include "gps/receiversource.h"
#include "strings/stringtable.h"

#include <QSerialPort>
#include <QTcpSocket>

#include <cerrno>
#include <unistd.h>

namespace korvel {

namespace {

// gpsd sends its own JSON reports until asked for the receiver's raw sentences.
constexpr char kGpsdWatch[] = "?WATCH={\"enable\":true,\"nmea\":true}\n";
constexpr int kGpsdConnectMs = 2000;

QString SerialDevicePath(const QString& device)
{
    return device.startsWith(QLatin1Char('/')) ? device : QStringLiteral("/dev/") + device;
}

}  // namespace

CSerialComm::CSerialComm(GpsClock clock) : m_parser(clock), m_clock(std::move(clock)) {}

CSerialComm::~CSerialComm()
{
    if (m_device) {
        QObject::disconnect(m_device.get(), nullptr, nullptr, nullptr);
        m_device->close();
    }
}

bool CSerialComm::IsOpen() const { return m_device && m_device->isOpen(); }

void CSerialComm::ReportOpenFailure(int messageId, std::int32_t errorCode, const QString& insert)
{
    m_parser.setLastError(errorCode);
    if (m_nShowErrors == 1) ShowMessage(messageId, IDS_PORT_CAPTION, MB_OK | MB_ICONERROR, insert);
}

bool CSerialComm::OpenDevice(bool resetTimes)
{
    CloseDevice();
    m_readFailed = false;
    if (m_strPortName.isEmpty()) {
        ReportOpenFailure(IDS_PORT_NO_NAME, EINVAL, QString());
        return false;
    }
    const ReceiverSource source = ParseReceiverSource(m_strPortName);
    switch (source.kind) {
    case ReceiverSource::Serial: {
        auto port = std::make_unique<QSerialPort>();
        port->setPortName(source.device);
        if (!port->open(QIODevice::ReadWrite)) {
            switch (port->error()) {
            case QSerialPort::DeviceNotFoundError:
                ReportOpenFailure(IDS_PORT_NOT_FOUND, ENOENT, m_strPortName);
                break;
            case QSerialPort::PermissionError: {
                // Qt says "permission" both for a device another program holds and for one we
                // may not open; on Linux the latter means the user is not in group dialout.
                const QByteArray path = SerialDevicePath(source.device).toLocal8Bit();
                if (::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES)
                    ReportOpenFailure(IDS_PORT_NO_PERMISSION, EACCES, m_strPortName);
                else
                    ReportOpenFailure(IDS_PORT_IN_USE, EBUSY, m_strPortName);
                break;
            }
            case QSerialPort::OpenError:
                ReportOpenFailure(IDS_PORT_IN_USE, EBUSY, m_strPortName);
                break;
            default:
                ReportOpenFailure(IDS_PORT_SYSTEM_ERROR, EIO, port->errorString());
                break;
            }
            return false;
        }
        // 8N1 without any flow control; the receiver only talks, we never write.
        const bool settingsOk = port->setBaudRate(m_nBaudRate) && port->setDataBits(QSerialPort::Data8) &&
                                port->setParity(QSerialPort::NoParity) &&
                                port->setStopBits(QSerialPort::OneStop) &&
                                port->setFlowControl(QSerialPort::NoFlowControl);
        if (!settingsOk) {
            // A port whose line cannot be set up is closed again: left open it would count as
            // a running receiver that nobody polls.
            const QString text = port->errorString();
            port->close();
            ReportOpenFailure(IDS_PORT_SYSTEM_ERROR, EINVAL, text);
            return false;
        }
        // Hold DTR and RTS inactive. Pseudo-terminals and some adapters have no modem lines;
        // their refusal is no reason to give up the port.
        port->setDataTerminalReady(false);
        port->setRequestToSend(false);
        port->clearError();
        m_device = std::move(port);
        break;
    }
    case ReceiverSource::Gpsd: {
        if (!source.valid) {
            ReportOpenFailure(IDS_PORT_NOT_FOUND, ENOENT, m_strPortName);
            return false;
        }
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(source.host, source.tcpPort);
        if (!socket->waitForConnected(kGpsdConnectMs)) {
            const auto error = socket->error();
            if (error == QAbstractSocket::HostNotFoundError || error == QAbstractSocket::ConnectionRefusedError)
                ReportOpenFailure(IDS_PORT_NOT_FOUND, error == QAbstractSocket::HostNotFoundError ? ENOENT : ECONNREFUSED,
                                  m_strPortName);
            else
                ReportOpenFailure(IDS_PORT_SYSTEM_ERROR, ETIMEDOUT, socket->errorString());
            return false;
        }
        socket->write(kGpsdWatch);
        m_device = std::move(socket);
        break;
    }
    case ReceiverSource::Replay: {
        auto replay = std::make_unique<NmeaReplayDevice>(source.path);
        if (!replay->open(QIODevice::ReadOnly)) {
            if (replay->notFound())
                ReportOpenFailure(IDS_PORT_NOT_FOUND, ENOENT, m_strPortName);
            else
                ReportOpenFailure(IDS_PORT_SYSTEM_ERROR, EACCES, replay->errorString());
            return false;
        }
        m_device = std::move(replay);
        break;
    }
    }
    WatchForReadFailure();
    if (resetTimes) {
        // The receiver search compares these to tell whether anything arrived since.
        const std::int64_t now = m_clock ? m_clock() : SystemClockSeconds();
        GpsFix& f = m_parser.fix();
        f.fixTime = f.ggaTime = f.gsaTime = f.gsvTime = now;
    }
    return true;
}

void CSerialComm::WatchForReadFailure()
{
    QIODevice* device = m_device.get();
    // A vanished device (unplugged adapter, closed pseudo-terminal, gpsd gone) reports its
    // error over and over; close it once, on the next turn of the event loop rather than inside
    // the device's own notification, and leave the reopen to the poll.
    auto failed = [this, device] {
        if (m_readFailed) return;
        m_readFailed = true;
        QMetaObject::invokeMethod(device, [device] { device->close(); }, Qt::QueuedConnection);
    };
    if (auto* serial = qobject_cast<QSerialPort*>(device)) {
        QObject::connect(serial, &QSerialPort::errorOccurred, serial, [failed](QSerialPort::SerialPortError e) {
            if (e == QSerialPort::ReadError || e == QSerialPort::ResourceError) failed();
        });
    } else if (auto* socket = qobject_cast<QTcpSocket*>(device)) {
        QObject::connect(socket, &QAbstractSocket::errorOccurred, socket, [failed] { failed(); });
        QObject::connect(socket, &QAbstractSocket::disconnected, socket, [failed] { failed(); });
    }
}

void CSerialComm::CloseDevice()
{
    if (!m_device) return;
    QIODevice* device = m_device.release();
    QObject::disconnect(device, nullptr, nullptr, nullptr);
    device->close();
    // Not deleted at once: this may run inside one of the device's own notifications.
    device->deleteLater();
}

void CSerialComm::ReadStep()
{
    if (m_readFailed) {
        m_parser.setLastError(EIO);
        CloseDevice();
        // A failed reopen leaves the port closed; its starts are void then, so that the next
        // start and stop pair opens and closes it again.
        if (!OpenDevice(false)) m_nOpenCount = 0;
        return;
    }
    if (!IsOpen()) return;
    for (;;) {
        const std::size_t room = m_parser.BeginRead();
        const qint64 n = m_device->read(m_parser.ReadPointer(), static_cast<qint64>(room));
        if (n < 0) {
            m_parser.setLastError(EIO);
            CloseDevice();
            if (!OpenDevice(false)) m_nOpenCount = 0;
            return;
        }
        m_parser.EndRead(static_cast<std::size_t>(n));
        if (n == 0 || static_cast<std::size_t>(n) < room) break;
    }
}

}  // namespace korvel
