#pragma once
// Helpers of the GPS tests: building sentences with correct checksums and waiting on the
// event loop until a condition holds.

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

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

}  // namespace korvel::test
