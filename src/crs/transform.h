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

// Parameters of one conversion, passed by address so that a target of CRS_UTM_AUTO can be
// rewritten to the zone chosen for the first point (25800 + zone).
struct CoordTransform {
    uint8_t valid = 1;  // must be 1, otherwise nothing is converted
    int32_t from = 0;
    int32_t to = 0;
};

// Converts `point` in place from params->from to params->to (x = easting/longitude first).
// Returns true when converted, or when from == to (point untouched). Returns false, with the
// point unchanged, when params is null, valid != 1 or an identifier is unknown.
bool TransformPoint(WorldPoint* point, CoordTransform* params);

// The callback shape the map objects use to convert each of their coordinates.
using TransformCallback = bool (*)(WorldPoint* point, CoordTransform* params);

}  // namespace korvel
