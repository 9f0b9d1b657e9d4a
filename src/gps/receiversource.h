#pragma once
// What a port name stands for: a serial device, a gpsd server or a recorded NMEA log, and the
// list of receivers the settings dialog offers.

#include <QString>
#include <QStringList>

namespace korvel {

struct ReceiverSource {
    enum Kind { Serial, Gpsd, Replay };
    Kind kind = Serial;
    QString device;      // Serial: device path or name as QSerialPort takes it
    QString host;        // Gpsd
    quint16 tcpPort = 0; // Gpsd
    QString path;        // Replay: the log file
    bool valid = true;   // false for a gpsd address that cannot be understood
};

inline constexpr quint16 kGpsdDefaultPort = 2947;

// "gpsd://host[:port]", "nmea-file://PATH", "COMn" (the n-th serial line, /dev/ttyS(n-1)),
// otherwise a device path ("/dev/ttyACM0") or a device name ("ttyUSB0").
ReceiverSource ParseReceiverSource(const QString& portName);

// True for names that are not serial devices (gpsd and replay sources).
bool IsNetworkOrReplaySource(const QString& portName);

// The serial ports of this machine plus the extra sources the user typed before, without
// duplicates (unsorted; the dialog's list sorts).
QStringList ListReceiverPorts(const QStringList& typedSources);

}  // namespace korvel
