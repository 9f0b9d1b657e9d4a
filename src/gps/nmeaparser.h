#pragma once
// Turns the byte stream of a GPS receiver into NMEA 0183 lines and updates one GpsFix from the
// GGA, RMC, GSV and GSA sentences. Plain C++ without Qt, so the command-line tools, the fuzzer
// and the benchmark drive exactly the code the receiver ports use.

#include "gps/gpsfix.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvel {

// The handler a sentence went to.
enum class NmeaSentence : std::uint8_t { None, Gga, Rmc, Gsv, Gsa };

// What one read step (or one ParseSentence call) did.
struct NmeaLineResult {
    std::size_t bytesTaken = 0;   // bytes taken over from the read
    bool lineHandled = false;     // a complete line was taken out of the buffer and parsed
    NmeaSentence kind = NmeaSentence::None;  // handler the line was dispatched to (None = ignored)
    bool checksumOk = false;
    std::array<char, 8> name{};   // field 0 ("$GPGGA"), zero-terminated, when dispatched

    std::string_view Name() const { return std::string_view(name.data()); }
};

// True when `line` (starting at '$') carries a correct "*hh" checksum over 1 to 80 characters.
bool NmeaChecksumValid(std::string_view line);

// The time of a fix from the receiver's calendar fields, read as local time exactly like
// std::mktime (with tm_isdst = -1) reads them; two-digit years from 80 on mean the 1980s and a
// year before 1900 gives 0. mktime looks at the zone file again on every call (a system call
// when TZ is unset), which is too slow for a sentence stream: this converter asks mktime once
// per hour of the day and adds minutes and seconds itself, unless the hour or the hours around
// it see a change of the zone's offset, where every call still goes to mktime.
class FixTimeConverter {
public:
    std::int64_t operator()(int year, int month, int day, int hour, int minute, int second);

private:
    struct Hour {
        int year = 0, month = 0, day = 0, hour = 0;
        std::int64_t start = 0;  // the fix time of minute 0, second 0
        bool uniform = false;    // one offset from two hours before to two hours after
    };
    Hour m_hour;
    bool m_hasHour = false;
};

// Converts an NMEA angle "ddmm.mmmm" or "dddmm.mmmm" into degrees. Text without '.' or with
// fewer than four characters before it gives 0 (so "916.45" is not mistaken for 9°16.45').
double NmeaToDegrees(std::string_view text);

class NmeaParser {
public:
    static constexpr std::size_t kBufferSize = 512;
    static constexpr std::int32_t kChecksumError = 10001;
    static constexpr int kMaxFields = 30;

    // `clock` gives "now" for the clock fields of the fix; empty = the PC clock.
    explicit NmeaParser(GpsClock clock = {});

    GpsFix& fix() { return m_fix; }
    const GpsFix& fix() const { return m_fix; }

    // 10001 after a checksum failure; the port keeps its last system error here as well.
    std::int32_t lastError() const { return m_lastError; }
    void setLastError(std::int32_t code) { m_lastError = code; }

    // Off: only "$GP" sentences are read. On: "$GN", "$GL", "$GA" and "$GB" as well, and the
    // satellites of each talker are kept apart so that one constellation's GSV and GSA do not
    // wipe another's.
    void SetAllTalkers(bool on);
    bool allTalkers() const { return m_allTalkers; }

    void SetClock(GpsClock clock);

    // The satellite system of fix().satellites[slot] as its usual one-letter code: 'G' GPS,
    // 'R' GLONASS, 'E' Galileo, 'C' BeiDou, 'S' SBAS, 'J' QZSS, '?' unknown. Without all talkers
    // every slot came from "$GP" and is 'G'; with them the talker that reported the satellite
    // decides, and for "$GN" sentences the PRN range.
    char SatelliteSystem(int slot) const;

    // One read from the device, in two halves so that a device can read straight into the
    // buffer: BeginRead discards a full buffer (a line that long can never complete) and
    // returns how many bytes the read may deliver at ReadPointer(); EndRead appends them and
    // handles at most one complete line.
    std::size_t BeginRead();
    char* ReadPointer() { return m_buffer.data() + m_fill; }
    NmeaLineResult EndRead(std::size_t received);

    // One read of `bytes` (at most the free space is taken; see bytesTaken).
    NmeaLineResult FeedReceivedBytes(std::string_view bytes);

    // Whether the buffer holds a line the next read step would hand to ParseSentence.
    bool HasCompleteLine() const;
    std::size_t fill() const { return m_fill; }

    // Checks, splits and dispatches one line starting at '$' and ending before the line feed.
    NmeaLineResult ParseSentence(std::string_view line);

private:
    enum Talker : int { kGP, kGL, kGA, kGB, kGN, kTalkerCount };
    using SatelliteTable = std::array<GpsSatellite, kGpsSatelliteSlots>;
    struct TalkerSatellites {
        SatelliteTable table{};
        std::uint64_t sequence = 0;  // 0 = never received; larger = more recent
        std::int64_t time = 0;       // clock time of the last GSV
    };

    std::int64_t Now() const;
    std::string_view Field(int i) const { return i <= m_count ? m_fields[i] : std::string_view(); }
    void HandleGga();
    void HandleRmc();
    bool HandleGsv(Talker talker);
    void HandleGsa(Talker talker);
    void ReadPosition(int latField, int lonField);
    void MergeTalkerSatellites();

    GpsFix m_fix;
    std::int32_t m_lastError = 0;
    bool m_allTalkers = false;
    GpsClock m_clock;
    FixTimeConverter m_fixTime;

    std::array<char, kBufferSize + 1> m_buffer{};
    std::size_t m_fill = 0;
    std::array<std::string_view, kMaxFields> m_fields{};
    int m_count = 0;  // index of the last field

    std::array<TalkerSatellites, kTalkerCount> m_talkers{};
    std::array<char, kGpsSatelliteSlots> m_slotSystems{};  // letter per merged slot
    std::uint64_t m_gsvSequence = 0;
};

}  // namespace korvel
