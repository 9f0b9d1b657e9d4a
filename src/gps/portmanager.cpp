#include "gps/portmanager.h"

#include <QCoreApplication>

#include <algorithm>

namespace korvel {

CPortManager::CPortManager(GpsClock clock, QObject* parent) : QObject(parent), m_clock(std::move(clock))
{
    m_pollTimer.setSingleShot(true);
    connect(&m_pollTimer, &QTimer::timeout, this, &CPortManager::PollPorts);
}

CPortManager::~CPortManager()
{
    m_pollTimer.stop();
    while (!m_ports.empty()) m_ports.pop_back();
}

CSerialComm* CPortManager::GetGpsPort()
{
    for (const auto& p : m_ports) {
        if (p->isGpsPort() == 1) return p.get();
    }
    return AddPort(std::make_unique<CSerialComm>(m_clock));
}

CSerialComm* CPortManager::AddPort(std::unique_ptr<CSerialComm> port)
{
    m_ports.push_back(std::move(port));
    return m_ports.back().get();
}

bool CPortManager::IsManaged(const CSerialComm* port) const
{
    return port && std::any_of(m_ports.begin(), m_ports.end(), [port](const auto& p) { return p.get() == port; });
}

bool CPortManager::AnyPortOpen() const
{
    return std::any_of(m_ports.begin(), m_ports.end(), [](const auto& p) { return p->IsOpen(); });
}

void CPortManager::ReportOpenChanges()
{
    std::vector<bool> open;
    open.reserve(m_ports.size());
    for (const auto& p : m_ports) open.push_back(p->IsOpen());
    if (open == m_reportedOpen) return;
    m_reportedOpen = std::move(open);
    emit portStateChanged();
}

bool CPortManager::StartPort(CSerialComm* port, bool showErrors)
{
    const OpenStateWatch watch(*this);
    if (!IsManaged(port)) return false;
    port->m_nActive = 1;
    port->m_nShowErrors = showErrors ? 1 : 0;
    if (!port->IsOpen() && !OpenPort(port, true)) return false;
    ++port->m_nOpenCount;
    if (!m_pollTimer.isActive()) m_pollTimer.start(kPollMs);
    return true;
}

bool CPortManager::StopPort(CSerialComm* port)
{
    const OpenStateWatch watch(*this);
    if (!IsManaged(port)) return false;
    // The count does not go below zero: a stop without a start (the settings dialog stops the
    // port before every restart) must not swallow the next real start.
    if (port->m_nOpenCount > 0) --port->m_nOpenCount;
    if (port->m_nOpenCount <= 0) port->CloseDevice();
    const bool closed = !port->IsOpen();
    if (!AnyPortOpen()) m_pollTimer.stop();
    return closed;
}

void CPortManager::SetPortName(CSerialComm* port, const QString& name)
{
    const OpenStateWatch watch(*this);
    if (!port) return;
    if (port->IsOpen()) {
        port->CloseDevice();
        port->m_strPortName = name;
        if (!OpenPort(port, true)) port->m_nOpenCount = 0;
    } else {
        port->m_strPortName = name;
    }
}

bool CPortManager::SetBaudRate(CSerialComm* port, const QString& text)
{
    if (!port) return true;
    // Like "%lu": leading blanks, then decimal digits; anything else is no rate at all.
    const QString t = text.trimmed();
    qsizetype digits = 0;
    while (digits < t.size() && t[digits].isDigit() && t[digits].unicode() < 128) ++digits;
    bool ok = digits > 0;
    qlonglong rate = ok ? t.left(digits).toLongLong(&ok) : 0;
    if (!ok || rate > 0x7fffffff) rate = kDefaultBaudRate;
    const OpenStateWatch watch(*this);
    if (port->IsOpen()) {
        port->CloseDevice();
        port->m_nBaudRate = static_cast<std::int32_t>(rate);
        if (!OpenPort(port, true)) port->m_nOpenCount = 0;
    } else {
        port->m_nBaudRate = static_cast<std::int32_t>(rate);
    }
    return true;
}

bool CPortManager::OpenPort(CSerialComm* port, bool resetTimes)
{
    return port && port->OpenDevice(resetTimes);
}

void CPortManager::PollPorts()
{
    const OpenStateWatch watch(*this);
    m_pollTimer.stop();
    for (std::size_t i = 0; i < m_ports.size(); ++i) {
        CSerialComm* port = m_ports[i].get();
        if (port->m_nActive == 1) port->ReadStep();
    }
    // A start during this run (a message box runs the event loop) may have armed the timer.
    // Without any open device there is nothing to read until the next start.
    if (!m_pollTimer.isActive() && AnyPortOpen()) m_pollTimer.start(kPollMs);
}

CPortManager& PortManager()
{
    static CPortManager* manager = nullptr;
    if (!manager) {
        manager = new CPortManager;
        // Ports hold Qt devices, which must go before the application object does.
        qAddPostRoutine([] {
            delete manager;
            manager = nullptr;
        });
    }
    return *manager;
}

}  // namespace korvel
