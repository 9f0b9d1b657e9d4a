#pragma once
// The one application-wide list of receiver ports: hands out the GPS port, starts and stops
// ports with a use count, and reads every started port from a 50 ms timer on the
// user-interface thread (no reader thread anywhere).

#include "gps/serialcomm.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

namespace korvel {

class CPortManager : public QObject {
    Q_OBJECT
public:
    static constexpr int kPollMs = 50;

    // `clock` gives "now" to the ports' fix records; empty = the PC clock.
    explicit CPortManager(GpsClock clock = {}, QObject* parent = nullptr);
    ~CPortManager() override;  // deletes every port, last first

    // The first port marked as GPS port; created with the initial settings when there is none.
    CSerialComm* GetGpsPort();

    // Appends a port of another use (ports are never removed before shutdown).
    CSerialComm* AddPort(std::unique_ptr<CSerialComm> port);

    // Whether `port` is one of this manager's ports.
    bool IsManaged(const CSerialComm* port) const;

    // Marks the port active and opens it if closed; false when it is not managed or cannot be
    // opened. Each success counts one use and makes sure the poll runs.
    bool StartPort(CSerialComm* port, bool showErrors);
    // Gives back one use; the device closes when no use is left. True when it is closed now.
    bool StopPort(CSerialComm* port);

    // Stores the name; an open port is closed and reopened under the new name.
    void SetPortName(CSerialComm* port, const QString& name);
    // Parses a decimal baud rate (4800 when it is none); an open port is reopened. Always true.
    bool SetBaudRate(CSerialComm* port, const QString& text);

    // Opens the device with the line settings; failures are shown when the port's showErrors
    // is 1. With resetTimes the fix's four time stamps are set to now.
    bool OpenPort(CSerialComm* port, bool resetTimes);

    // The poll timer's work: one read step for each active port.
    void PollPorts();

    bool pollTimerActive() const { return m_pollTimer.isActive(); }
    const std::vector<std::unique_ptr<CSerialComm>>& ports() const { return m_ports; }

signals:
    // A port was opened or closed (started, stopped, reopened, or closed after a read error).
    void portStateChanged();

private:
    // Emits portStateChanged, when it goes, if a port is open or closed now that was not when
    // the signal went last (a device that closed itself between two polls counts, too).
    class OpenStateWatch {
    public:
        explicit OpenStateWatch(CPortManager& manager) : m_manager(manager) {}
        ~OpenStateWatch() { m_manager.ReportOpenChanges(); }
        OpenStateWatch(const OpenStateWatch&) = delete;
        OpenStateWatch& operator=(const OpenStateWatch&) = delete;

    private:
        CPortManager& m_manager;
    };
    void ReportOpenChanges();

    bool AnyPortOpen() const;

    GpsClock m_clock;
    std::vector<std::unique_ptr<CSerialComm>> m_ports;
    std::vector<bool> m_reportedOpen;  // per port, as portStateChanged last told
    QTimer m_pollTimer;
};

// The application-wide manager (created on first use, destroyed with the application object).
CPortManager& PortManager();

}  // namespace korvel
