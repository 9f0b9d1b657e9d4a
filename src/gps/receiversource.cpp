#include "gps/receiversource.h"

#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QUrl>

namespace korvel {

namespace {
const QLatin1String kGpsdScheme("gpsd://");
const QLatin1String kReplayScheme("nmea-file://");
}  // namespace

ReceiverSource ParseReceiverSource(const QString& portName)
{
    ReceiverSource s;
    if (portName.startsWith(kGpsdScheme, Qt::CaseInsensitive)) {
        s.kind = ReceiverSource::Gpsd;
        const QUrl url(QStringLiteral("tcp://") + portName.mid(kGpsdScheme.size()));
        s.host = url.host();
        const int port = url.port(kGpsdDefaultPort);
        s.tcpPort = static_cast<quint16>(port > 0 && port <= 65535 ? port : kGpsdDefaultPort);
        s.valid = url.isValid() && !s.host.isEmpty();
        return s;
    }
    if (portName.startsWith(kReplayScheme, Qt::CaseInsensitive)) {
        s.kind = ReceiverSource::Replay;
        s.path = portName.mid(kReplayScheme.size());
        s.valid = !s.path.isEmpty();
        return s;
    }
    // Names from the settings of older installations say "COM3"; the third serial line of a
    // Linux machine is /dev/ttyS2.
    static const QRegularExpression com(QStringLiteral("^COM([1-9][0-9]{0,2})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = com.match(portName);
    if (m.hasMatch()) {
        s.device = QStringLiteral("/dev/ttyS%1").arg(m.captured(1).toInt() - 1);
        return s;
    }
    s.device = portName;
    return s;
}

bool IsNetworkOrReplaySource(const QString& portName)
{
    return portName.startsWith(kGpsdScheme, Qt::CaseInsensitive) ||
           portName.startsWith(kReplayScheme, Qt::CaseInsensitive);
}

QStringList ListReceiverPorts(const QStringList& typedSources)
{
    QStringList ports;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos) {
        if (!ports.contains(info.portName())) ports << info.portName();
    }
    for (const QString& s : typedSources) {
        if (IsNetworkOrReplaySource(s) && !ports.contains(s)) ports << s;
    }
    return ports;
}

}  // namespace korvel
