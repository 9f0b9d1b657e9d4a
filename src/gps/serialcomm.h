#pragma once
// One receiver port: its name and line settings, the open device, and the NMEA parser with the
// GPS fix record that every consumer reads. Owned by the port manager, which opens, polls and
// closes it on the user-interface thread.

#include "gps/gpsfix.h"
#include "gps/nmeaparser.h"

#include <QString>

#include <cstdint>
#include <memory>

class QIODevice;

namespace korvel {

class CPortManager;

// Message ids of the port messages.
inline constexpr int IDS_PORT_CAPTION = 140;     // "Serielle Schnittstelle"
inline constexpr int IDS_PORT_SYSTEM_ERROR = 142;  // "%1" = the system's error text
inline constexpr int IDS_PORT_NO_NAME = 143;
inline constexpr int IDS_PORT_NOT_FOUND = 144;
inline constexpr int IDS_PORT_IN_USE = 145;
inline constexpr int IDS_PORT_NO_PERMISSION = 146;  // not in the dialout group

inline constexpr std::int32_t kDefaultBaudRate = 4800;

class CSerialComm {
public:
    explicit CSerialComm(GpsClock clock = {});
    virtual ~CSerialComm();  // closes the device
    CSerialComm(const CSerialComm&) = delete;
    CSerialComm& operator=(const CSerialComm&) = delete;

    // Number of successful starts not yet matched by a stop.
    std::int32_t openCount() const { return m_nOpenCount; }
    // Whether the device is open.
    bool IsOpen() const;
    // 1 once started; the poll reads only active ports.
    std::int32_t active() const { return m_nActive; }

    GpsFix& fix() { return m_parser.fix(); }
    const GpsFix& fix() const { return m_parser.fix(); }

    std::int32_t isGpsPort() const { return m_nIsGpsPort; }
    void setIsGpsPort(std::int32_t v) { m_nIsGpsPort = v; }

    // Last system error (errno value) of an open or read, or 10001 after a checksum failure.
    std::int32_t lastError() const { return m_parser.lastError(); }

    const QString& portName() const { return m_strPortName; }
    std::int32_t baudRate() const { return m_nBaudRate; }
    std::int32_t showErrors() const { return m_nShowErrors; }

    // Reads "$GN", "$GL", "$GA" and "$GB" sentences as well (see NmeaParser).
    void SetAllTalkers(bool on) { m_parser.SetAllTalkers(on); }
    NmeaParser& parser() { return m_parser; }

    // The open device, or null (for diagnostics and tests).
    QIODevice* device() const { return m_device.get(); }

private:
    friend class CPortManager;

    bool OpenDevice(bool resetTimes);
    void CloseDevice();
    void ReadStep();
    void ReportOpenFailure(int messageId, std::int32_t errorCode, const QString& insert);
    void WatchForReadFailure();

    std::int32_t m_nOpenCount = 0;
    std::unique_ptr<QIODevice> m_device;
    std::int32_t m_nActive = 0;
    std::int32_t m_nIsGpsPort = 1;
    QString m_strPortName = QStringLiteral("COM1");
    std::int32_t m_nBaudRate = kDefaultBaudRate;
    std::int32_t m_nShowErrors = 1;
    NmeaParser m_parser;
    GpsClock m_clock;
    bool m_readFailed = false;  // the device reported a read error; reopen at the next poll
};

}  // namespace korvel
