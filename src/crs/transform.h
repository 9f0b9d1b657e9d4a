#pragma once
// The one conversion routine between the supported coordinate systems. Every conversion runs
// through WGS84 longitude/latitude in degrees. Pure computation: no state, no allocation.

#include "crs/worldpoint.h"

#include <cstdint>

namespace korvel {

// Coordinate system identifiers.
inline constexpr int32_t CRS_LOCAL = 0;          // unknown/local system, never converted
inline constexpr int32_t CRS_WGS84 = 4326;       // longitude/latitude in degrees
inline constexpr int32_t CRS_WEBMERCATOR = 900913;
inline constexpr int32_t CRS_UTM_AUTO = -3;      // UTM, zone chosen from the first point
inline constexpr int32_t CRS_GK_ZONE2 = 31466;   // DHDN Gauss-Krüger zones 2 … 5 are 31466 … 31469
inline constexpr int32_t CRS_GK_ZONE5 = 31469;
inline constexpr int32_t CRS_UTM_FIRST = 25801;  // ETRS89 UTM zones 1 … 60 north, zone-prefixed easting
inline constexpr int32_t CRS_UTM_LAST = 25860;
inline constexpr int32_t CRS_UTM32 = 25832;
inline constexpr int32_t CRS_UTM33 = 25833;
inline constexpr int32_t CRS_UTM32_7 = 325832;   // UTM 32/33 with seven-digit eastings (2/3 500 000)
inline constexpr int32_t CRS_UTM33_7 = 325833;

// Parameters of one conversion, passed by address so that a target of CRS_UTM_AUTO can be
// rewritten to the zone chosen for the first point (25800 + zone).
struct CoordTransform {
    uint8_t valid = 1;  // must be 1, otherwise nothing is converted
    int32_t from = 0;
    int32_t to = 0;
};

// Converts `point` in place from params->from to params->to (x = easting/longitude first).
// Returns true when converted, or when from == to (point untouched). Returns false, with the
// point unchanged, when params is null, valid != 1 or an identifier is unknown; also when a
// coordinate is not finite or the result would not be (nothing sensible can come of it).
// A target of CRS_UTM_AUTO is rewritten to 25800 + the zone of this point.
bool TransformPoint(WorldPoint* point, CoordTransform* params);

// Converts a view window as its two corner points (minX/minY and maxX/maxY) with the same
// record. Both corners are taken over or neither: false leaves `rect` unchanged.
bool TransformRect(WorldRect* rect, CoordTransform* params);

// Whether TransformPoint can convert from and to `id` (CRS_UTM_AUTO counts; CRS_LOCAL does not).
bool IsTransformable(int32_t id);

// The callback shape the map objects use to convert each of their coordinates.
using TransformCallback = bool (*)(WorldPoint* point, CoordTransform* params);

}  // namespace korvel
