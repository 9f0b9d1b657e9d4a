#include "gps/gpssettings.h"

#include "gps/receiversource.h"
#include "strings/stringtable.h"

#include <QEventLoop>
#include <QSettings>
#include <QTimer>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace korvel {

namespace {

const QString kSection = QStringLiteral("GPS");

QSettings Store() { return QSettings(QStringLiteral("Veldmark"), QStringLiteral("Korvel")); }

QString Key(const char* name) { return kSection + QLatin1Char('/') + QLatin1String(name); }

}  // namespace

bool ScanInt(const QString& text, std::int32_t* value)
{
    const QByteArray bytes = text.toLatin1();
    const char* begin = bytes.constData();
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(begin, &end, 0);
    if (end == begin) return false;
    *value = static_cast<std::int32_t>(
        std::clamp<long long>(v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    return true;
}

bool ScanDouble(const QString& text, double* value)
{
    const QByteArray bytes = text.trimmed().toLatin1();
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    if (p < end && *p == '+') ++p;
    double v = 0.0;
    // from_chars ignores the C locale, which in the desktop program is German (decimal comma).
    const auto r = std::from_chars(p, end, v, std::chars_format::general);
    if (r.ec != std::errc() || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

CGpsSettings::CGpsSettings(CPortManager& manager) : m_manager(manager) { LoadGpsSettings(); }

int CGpsSettings::ReadAktiv() { return Store().value(Key("Aktiv"), 1).toInt(); }

void CGpsSettings::WriteAktiv(int value) { Store().setValue(Key("Aktiv"), value); }

void CGpsSettings::LoadGpsSettings()
{
    QSettings s = Store();
    s.beginGroup(kSection);
    m_strPort = s.value(QStringLiteral("Port"), QStringLiteral("COM1")).toString();
    m_strBaud = s.value(QStringLiteral("Baud"), QStringLiteral("4800")).toString();
    m_strMaxGpsAge = s.value(QStringLiteral("MaxGPSAge"), QStringLiteral("5")).toString();
    m_strMaxDgpsAge = s.value(QStringLiteral("MaxDGPSAge"), QStringLiteral("0")).toString();
    m_strMaxHdop = s.value(QStringLiteral("MaxHDOP"), QStringLiteral("8.0")).toString();
    m_strMinSatCount = s.value(QStringLiteral("MinSatCount"), QStringLiteral("4")).toString();
    // Out-of-range numbers from an edited or damaged store fall back to the defaults; a
    // negative interval would make no sense as a timer period either.
    m_nInterval = s.value(QStringLiteral("Interval"), 1).toInt();
    if (m_nInterval > 3600 || m_nInterval < 0) m_nInterval = 1;
    m_nAverage = s.value(QStringLiteral("Average"), 1).toInt();
    if (m_nAverage <= 0 || m_nAverage > 10) m_nAverage = 1;
    m_nAllTalkers = s.value(QStringLiteral("AllTalkers"), 0).toInt();
    m_knownSources = s.value(QStringLiteral("Sources")).toStringList();
    s.endGroup();
    ParseLimits();
}

void CGpsSettings::ParseLimits()
{
    // A text that does not parse keeps the value it had.
    ScanDouble(m_strMaxHdop, &m_dMaxHdop);
    ScanInt(m_strMaxGpsAge, &m_nMaxGpsAge);
    ScanInt(m_strMaxDgpsAge, &m_nMaxDgpsAge);
    ScanInt(m_strMinSatCount, &m_nMinSatCount);
}

void CGpsSettings::RememberSource(const QString& port)
{
    if (IsNetworkOrReplaySource(port) && !m_knownSources.contains(port)) m_knownSources.append(port);
}

void CGpsSettings::SaveGpsSettings()
{
    ParseLimits();
    RememberSource(m_strPort);
    QSettings s = Store();
    s.beginGroup(kSection);
    s.setValue(QStringLiteral("Port"), m_strPort);
    s.setValue(QStringLiteral("Baud"), m_strBaud);
    s.setValue(QStringLiteral("MaxGPSAge"), m_strMaxGpsAge);
    s.setValue(QStringLiteral("MaxDGPSAge"), m_strMaxDgpsAge);
    s.setValue(QStringLiteral("MaxHDOP"), m_strMaxHdop);
    s.setValue(QStringLiteral("MinSatCount"), m_strMinSatCount);
    s.setValue(QStringLiteral("Interval"), m_nInterval);
    s.setValue(QStringLiteral("Average"), m_nAverage);
    s.setValue(QStringLiteral("AllTalkers"), m_nAllTalkers);
    if (m_knownSources.isEmpty()) s.remove(QStringLiteral("Sources"));
    else s.setValue(QStringLiteral("Sources"), m_knownSources);
    s.endGroup();
}

bool CGpsSettings::StartGps(bool force, bool showErrors)
{
    if (!force && ReadAktiv() == 0) return false;
    CSerialComm* gps = port();
    gps->SetAllTalkers(m_nAllTalkers != 0);
    if (!gps->IsOpen()) {
        m_manager.SetPortName(gps, m_strPort);
        m_manager.SetBaudRate(gps, m_strBaud);
        m_manager.StartPort(gps, showErrors);
    }
    const bool open = gps->IsOpen();
    WriteAktiv(open ? 1 : 0);
    return open;
}

bool CGpsSettings::IsFixUsable(CSerialComm* gps)
{
    if (!gps || !gps->IsOpen()) return false;
    GpsFix& fix = gps->fix();
    const std::int64_t now = m_clock ? m_clock() : SystemClockSeconds();
    // The age is taken the way a 32-bit time would give it; the difference of two wrapped
    // values is still right for any sensible age.
    const std::int64_t age = std::llabs(static_cast<std::int64_t>(
        static_cast<std::int32_t>(static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(fix.receiveTime))));
    const bool qualityOk = m_nMaxDgpsAge == 0 ? (fix.quality == 1 || fix.quality == 2) : fix.quality == 2;
    const bool usable = gps->active() == 1 && fix.dgpsAge <= m_nMaxDgpsAge && age <= m_nMaxGpsAge &&
                        fix.hdop <= m_dMaxHdop && fix.satellitesUsed >= m_nMinSatCount && qualityOk;
    if (!usable) fix.quality = 0;
    return usable;
}

QStringList CGpsSettings::AvailablePorts() const
{
    QStringList typed = m_knownSources;
    if (IsNetworkOrReplaySource(m_strPort) && !typed.contains(m_strPort)) typed.append(m_strPort);
    return m_portLister ? m_portLister(typed) : ListReceiverPorts(typed);
}

CGpsSettings::SearchResult CGpsSettings::SearchReceiver(const QStringList& ports, const QStringList& bauds,
                                                        SearchHooks* hooks)
{
    const QString previousPort = m_strPort;
    const QString previousBaud = m_strBaud;
    m_bCancelRequested = false;
    CSerialComm* gps = port();
    for (const QString& p : ports) {
        for (const QString& b : bauds) {
            m_manager.StopPort(gps);
            WriteAktiv(0);
            m_strPort = p;
            m_strBaud = b;
            if (hooks) hooks->SelectEntries(p, b);
            if (!StartGps(true, false)) continue;

            const std::int64_t before = gps->fix().fixTime;
            m_bSearching = true;
            // Wait with the event loop running: the poll keeps reading the port, and the
            // dialog stays responsive so that "Abbrechen" can be pressed.
            QEventLoop loop;
            QTimer::singleShot(m_searchWaitMs, &loop, &QEventLoop::quit);
            loop.exec();
            m_bSearching = false;

            if (m_bCancelRequested) {
                if (hooks) hooks->EndWaitCursor();
                return SearchResult::Cancelled;
            }
            // Opening set all four stamps to the same time; any sentence moves at least one.
            const GpsFix& f = gps->fix();
            const bool heard = f.fixTime != before || !(f.fixTime == f.ggaTime && f.ggaTime == f.gsvTime &&
                                                        f.gsvTime == f.gsaTime);
            if (heard) {
                if (hooks) hooks->EndWaitCursor();
                ShowMessage(IDS_GPS_FOUND, IDS_CAPTION_NOTE, MB_OK | MB_ICONINFORMATION);
                return SearchResult::Found;
            }
        }
    }
    m_manager.StopPort(gps);
    WriteAktiv(0);
    if (hooks) hooks->EndWaitCursor();
    m_strPort = previousPort;
    m_strBaud = previousBaud;
    if (hooks) hooks->SelectEntries(previousPort, previousBaud);
    ShowMessage(IDS_GPS_NOT_FOUND, IDS_CAPTION_ERROR, MB_OK | MB_ICONERROR);
    return SearchResult::NotFound;
}

}  // namespace korvel
