#include "gps/nmeareplaydevice.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace korvel {

namespace {

// Seconds of the day from "hhmmss[.sss]", or -1 when the field is no time.
double TimeOfDay(QByteArrayView field)
{
    if (field.size() < 6) return -1.0;
    for (int i = 0; i < 6; ++i) {
        if (field[i] < '0' || field[i] > '9') return -1.0;
    }
    const auto two = [&](int i) { return (field[i] - '0') * 10 + (field[i + 1] - '0'); };
    double fraction = 0.0;
    if (field.size() > 7 && field[6] == '.') {
        double scale = 0.1;
        for (qsizetype i = 7; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i, scale /= 10)
            fraction += (field[i] - '0') * scale;
    }
    return two(0) * 3600.0 + two(2) * 60.0 + two(4) + fraction;
}

// Time of day of a GGA or RMC line of any talker, or -1.
double LineTime(QByteArrayView line)
{
    if (line.size() < 8 || line[0] != '$') return -1.0;
    const QByteArrayView type = line.sliced(3, 3);
    if (type != "GGA" && type != "RMC") return -1.0;
    if (line[6] != ',') return -1.0;
    QByteArrayView rest = line.sliced(7);
    const qsizetype end = rest.indexOf(',');
    return TimeOfDay(end < 0 ? rest : rest.first(end));
}

}  // namespace

NmeaReplayDevice::NmeaReplayDevice(const QString& path, QObject* parent) : QIODevice(parent), m_path(path) {}

std::vector<NmeaReplayDevice::Epoch> NmeaReplayDevice::SplitIntoEpochs(const QByteArray& log, qint64* passMs)
{
    std::vector<Epoch> epochs;
    double currentTime = -1.0;
    qint64 atMs = 0;
    qint64 pos = 0;
    while (pos < log.size()) {
        qint64 end = log.indexOf('\n', pos);
        end = end < 0 ? log.size() : end + 1;
        const double t = LineTime(QByteArrayView(log).sliced(pos, end - pos));
        if (t >= 0.0 && currentTime >= 0.0 && t != currentTime) {
            // A new time of day starts the next fix.
            double gap = t - currentTime;
            if (gap < 0.0) gap += 86400.0;  // past midnight
            atMs += static_cast<qint64>(std::min(gap, 10.0) * 1000.0 + 0.5);
            epochs.push_back({end, atMs});
        } else if (epochs.empty()) {
            epochs.push_back({end, 0});
        } else {
            epochs.back().endOffset = end;
        }
        if (t >= 0.0) currentTime = t;
        pos = end;
    }
    if (passMs) *passMs = atMs + 1000;
    return epochs;
}

bool NmeaReplayDevice::open(OpenMode mode)
{
    m_notFound = false;
    if (mode & WriteOnly) {
        setErrorString(QStringLiteral("Eine Aufzeichnung kann nur gelesen werden."));
        return false;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_notFound = !QFileInfo::exists(m_path);
        setErrorString(file.errorString());
        return false;
    }
    if (file.size() > kMaxLogBytes) {
        setErrorString(QStringLiteral("Die Aufzeichnung \"%1\" ist zu groß.").arg(m_path));
        return false;
    }
    m_log = file.readAll();
    m_epochs = SplitIntoEpochs(m_log, &m_passMs);
    m_consumed = 0;
    m_started.start();
    return QIODevice::open(ReadOnly | Unbuffered);
}

qint64 NmeaReplayDevice::Released() const
{
    if (m_log.isEmpty() || !m_started.isValid()) return 0;
    const qint64 elapsed = m_started.elapsed();
    const qint64 passes = elapsed / m_passMs;
    const qint64 within = elapsed % m_passMs;
    qint64 inPass = 0;
    for (const Epoch& e : m_epochs) {
        if (e.atMs > within) break;
        inPass = e.endOffset;
    }
    return passes * m_log.size() + inPass;
}

qint64 NmeaReplayDevice::bytesAvailable() const
{
    return std::max<qint64>(0, Released() - m_consumed) + QIODevice::bytesAvailable();
}

qint64 NmeaReplayDevice::readData(char* data, qint64 maxSize)
{
    const qint64 released = Released();
    // After a long stall (the program was suspended) skip to the current pass instead of
    // pouring out every missed pass at once.
    if (released - m_consumed > m_log.size()) m_consumed = released - released % m_log.size();
    qint64 copied = 0;
    while (copied < maxSize && m_consumed < released) {
        const qint64 at = m_consumed % m_log.size();
        const qint64 n = std::min({maxSize - copied, released - m_consumed, m_log.size() - at});
        std::memcpy(data + copied, m_log.constData() + at, static_cast<size_t>(n));
        copied += n;
        m_consumed += n;
    }
    return copied;
}

qint64 NmeaReplayDevice::writeData(const char*, qint64) { return -1; }

}  // namespace korvel
