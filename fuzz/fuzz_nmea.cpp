// Fuzzes the receiver's line assembly and NMEA parser: the first byte picks the read size and
// whether all talkers are read, the rest arrives in reads of that size, as from a port.
#include "gps/nmeaparser.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

void Check(bool condition)
{
    if (!condition) __builtin_trap();
}

void CheckFix(const korvel::GpsFix& f)
{
    Check(f.quality <= 2);
    for (const korvel::GpsSatellite& s : f.satellites) Check(s.used == 0 || s.used == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const std::size_t chunk = (data[0] & 0x7f) + 1;
    korvel::NmeaParser parser([] { return std::int64_t{1796731200}; });
    parser.SetAllTalkers((data[0] & 0x80) != 0);
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    std::size_t left = size - 1;
    while (left > 0) {
        const std::size_t room = parser.BeginRead();
        Check(room >= 1 && room <= korvel::NmeaParser::kBufferSize);
        const std::size_t n = std::min({room, chunk, left});
        std::memcpy(parser.ReadPointer(), bytes, n);
        const korvel::NmeaLineResult r = parser.EndRead(n);
        Check(r.bytesTaken == n);
        Check(parser.fill() <= korvel::NmeaParser::kBufferSize);
        bytes += n;
        left -= n;
        CheckFix(parser.fix());
    }
    for (int guard = 0; parser.HasCompleteLine(); ++guard) {
        Check(guard < 1000);
        parser.BeginRead();
        Check(parser.EndRead(0).lineHandled);
    }
    // The whole input once more as a single line, and as an angle.
    const std::string_view all(reinterpret_cast<const char*>(data + 1), size - 1);
    parser.ParseSentence(all);
    CheckFix(parser.fix());
    const double degrees = korvel::NmeaToDegrees(all);
    Check(degrees == degrees);  // never NaN
    return 0;
}
