#include "crs/transform.h"

#include "crs/projection.h"

#include <cmath>

namespace korvel {

namespace {

using crs::LatLonDeg;

constexpr double kSevenDigitOffset = 30000000.0;  // 30 zones of 1000000 m

bool IsGaussKrueger(int32_t id) { return id >= CRS_GK_ZONE2 && id <= CRS_GK_ZONE5; }
bool IsUtm(int32_t id) { return id >= CRS_UTM_FIRST && id <= CRS_UTM_LAST; }

// Central meridian in degrees of a Gauss-Krüger identifier: 31466 → 6 … 31469 → 15.
int GaussKruegerMeridian(int32_t id) { return 3 * (id - CRS_GK_ZONE2 + 2); }

// Source step: the point in `from` to WGS84 degrees.
bool ToWgs84(int32_t from, const WorldPoint& p, LatLonDeg* wgs)
{
    if (from == CRS_WGS84) {
        *wgs = LatLonDeg{p.y, p.x};
        return true;
    }
    if (from == CRS_WEBMERCATOR) {
        *wgs = crs::WebMercatorInverse(p.x, p.y);
        return true;
    }
    if (IsGaussKrueger(from)) {
        *wgs = crs::GaussKruegerToWgs84(p.x, p.y, GaussKruegerMeridian(from));
        return true;
    }
    if (IsUtm(from) || from == CRS_UTM_AUTO) return crs::UtmToWgs84(p.x, p.y, wgs);
    if (from == CRS_UTM32_7 || from == CRS_UTM33_7) return crs::UtmToWgs84(p.x + kSevenDigitOffset, p.y, wgs);
    return false;
}

// Target step: WGS84 degrees into `*to`; rewrites CRS_UTM_AUTO to the zone chosen.
bool FromWgs84(const LatLonDeg& wgs, int32_t* to, WorldPoint* out)
{
    if (*to == CRS_WGS84) {
        *out = WorldPoint{wgs.lon, wgs.lat};
        return true;
    }
    if (*to == CRS_WEBMERCATOR) {
        const crs::MercatorXY m = crs::WebMercatorForward(wgs.lon, wgs.lat);
        *out = WorldPoint{m.x, m.y};
        return true;
    }
    if (IsGaussKrueger(*to)) {
        const crs::Grid gk = crs::Wgs84ToGaussKrueger(wgs.lat, wgs.lon, GaussKruegerMeridian(*to));
        *out = WorldPoint{gk.easting, gk.northing};
        return true;
    }
    if (IsUtm(*to)) {
        const crs::UtmPosition u = crs::Wgs84ToUtm(wgs.lat, wgs.lon, *to - 25800);
        *out = WorldPoint{u.easting, u.northing};
        return true;
    }
    if (*to == CRS_UTM_AUTO) {
        const int zone = crs::UtmZoneFor(wgs.lat, wgs.lon);
        // Longitudes far outside ±180° give no real zone, and 25800 + zone would not be a
        // system the record could be used with again.
        if (zone < 1 || zone > 60) return false;
        const crs::UtmPosition u = crs::Wgs84ToUtm(wgs.lat, wgs.lon, zone);
        *out = WorldPoint{u.easting, u.northing};
        *to = 25800 + zone;
        return true;
    }
    if (*to == CRS_UTM32_7 || *to == CRS_UTM33_7) {
        const crs::UtmPosition u = crs::Wgs84ToUtm(wgs.lat, wgs.lon, *to == CRS_UTM32_7 ? 32 : 33);
        *out = WorldPoint{u.easting - kSevenDigitOffset, u.northing};
        return true;
    }
    return false;
}

bool IsFinite(const WorldPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

bool IsTransformable(int32_t id)
{
    return id == CRS_WGS84 || id == CRS_WEBMERCATOR || IsGaussKrueger(id) || IsUtm(id) || id == CRS_UTM_AUTO ||
           id == CRS_UTM32_7 || id == CRS_UTM33_7;
}

bool TransformPoint(WorldPoint* point, CoordTransform* params)
{
    if (point == nullptr || params == nullptr || params->valid != 1) return false;
    if (params->from == params->to) return true;
    if (!IsFinite(*point)) return false;
    LatLonDeg wgs{};
    if (!ToWgs84(params->from, *point, &wgs)) return false;
    int32_t to = params->to;
    WorldPoint out;
    if (!FromWgs84(wgs, &to, &out) || !IsFinite(out)) return false;
    // Only a complete conversion touches the caller's point and record.
    *point = out;
    params->to = to;
    return true;
}

bool TransformRect(WorldRect* rect, CoordTransform* params)
{
    if (rect == nullptr) return false;
    WorldPoint lo{rect->minX, rect->minY};
    WorldPoint hi{rect->maxX, rect->maxY};
    // The record may be rewritten by the first corner (automatic UTM zone); the second corner
    // must use the same zone, and a failure must not leave it rewritten.
    CoordTransform t = params != nullptr ? *params : CoordTransform{};
    if (params == nullptr || !TransformPoint(&lo, &t) || !TransformPoint(&hi, &t)) return false;
    *rect = WorldRect{lo.x, lo.y, hi.x, hi.y};
    *params = t;
    return true;
}

}  // namespace korvel
