#pragma once
// The GPS fix record of one receiver port: what the NMEA parser last learned about position,
// quality and the satellites in view. A plain value type, read directly by every consumer.

#include <array>
#include <cstdint>
#include <functional>

namespace korvel {

// One satellite in view, as reported by GSV (and marked by GSA).
struct GpsSatellite {
    std::uint16_t prn = 0;       // 0 = empty slot
    std::int16_t elevation = 0;  // degrees above the horizon
    std::int16_t azimuth = 0;    // degrees clockwise from true north
    std::int16_t snr = 0;        // dB-Hz, 0 when not tracked
    std::int32_t used = 0;       // 1 when the satellite is listed in the last GSA

    friend bool operator==(const GpsSatellite&, const GpsSatellite&) = default;
};

inline constexpr int kGpsSatelliteSlots = 16;

// Times are seconds since 1970. `fixTime` only has to tell a new position from a repeated one;
// the clock fields hold the PC clock when a sentence of that kind was last parsed.
struct GpsFix {
    std::uint8_t quality = 0;     // 0 no fix, 1 GPS fix, 2 differential fix; never above 2
    double longitude = 0.0;       // degrees, east positive
    double latitude = 0.0;        // degrees, north positive
    double altitude = 0.0;        // metres above mean sea level (GGA)
    double hdop = 0.0;            // horizontal dilution of precision
    std::uint8_t satellitesUsed = 0;
    std::int64_t fixTime = 0;     // time value of the last position
    std::int64_t receiveTime = 0; // PC clock at the last GGA or RMC
    std::int64_t ggaTime = 0;
    std::int64_t gsaTime = 0;
    std::int64_t gsvTime = 0;
    std::array<GpsSatellite, kGpsSatelliteSlots> satellites{};
    std::int32_t dgpsAge = 0;     // age of the differential correction, seconds
    double course = 0.0;          // course over ground, degrees clockwise from north
    double speedKnots = 0.0;

    friend bool operator==(const GpsFix&, const GpsFix&) = default;
};

// Source of "now" in seconds since 1970. Injected so that tests can fix the clock.
using GpsClock = std::function<std::int64_t()>;

// The PC clock (seconds since 1970).
std::int64_t SystemClockSeconds();

}  // namespace korvel
