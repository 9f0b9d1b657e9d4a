#pragma once
// Helpers of the GPS tests: building sentences with correct checksums, waiting on the event
// loop until a condition holds, and a receiver behind a pseudo-terminal.

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QString>
#include <QThread>

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace korvel::test {

// "$" + body + "*hh" with the correct checksum (no line end).
inline std::string Nmea(std::string_view body)
{
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char tail[4];
    std::snprintf(tail, sizeof tail, "*%02X", sum);
    return "$" + std::string(body) + tail;
}

// The same with CR LF, as a receiver sends it.
inline std::string NmeaLine(std::string_view body) { return Nmea(body) + "\r\n"; }

// Runs the event loop until `done` holds or `timeoutMs` passes; returns whether it held.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// Runs the event loop for `ms` milliseconds.
inline void Spin(int ms)
{
    WaitUntil([] { return false; }, ms);
}

// A pseudo-terminal: the test writes NMEA into the master, the port manager opens the slave by
// its name like any serial device.
class Pty {
public:
    Pty()
    {
        char name[256] = {};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) return;
        termios t{};
        tcgetattr(m_slave, &t);
        cfmakeraw(&t);
        tcsetattr(m_slave, TCSANOW, &t);
        m_name = QString::fromLocal8Bit(name);
    }
    ~Pty() { Close(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return !m_name.isEmpty(); }
    const QString& name() const { return m_name; }
    bool Write(const std::string& bytes)
    {
        return m_master >= 0 && ::write(m_master, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    }
    // The receiver's side goes away; the port still holds its end.
    void CloseMaster()
    {
        if (m_master >= 0) ::close(m_master);
        m_master = -1;
    }
    // The receiver is unplugged: both ends go away.
    void Close()
    {
        CloseMaster();
        if (m_slave >= 0) ::close(m_slave);
        m_slave = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_name;
};

}  // namespace korvel::test
