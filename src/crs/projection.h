#pragma once
// The numeric building blocks behind TransformPoint: ellipsoid constants, the meridian arc,
// transverse Mercator forward and inverse, geocentric conversions with the DHDN datum shift,
// Gauss-Krüger, UTM and spherical web mercator. Free functions over small value structs: no
// state, no allocation, no I/O.
//
// The constants are the exact decimals older documents were computed with. Changing one of
// them by a last digit moves stored coordinates, so they are written out, not derived.

#include <cstdint>

namespace korvel::crs {

// An ellipsoid described by the two numbers every formula here uses: the polar radius of
// curvature c = a²/b (metres) and the second eccentricity squared e'² = (a² − b²)/b².
struct Ellipsoid {
    double c;
    double ep2;
};

// WGS84, also used for ETRS89/GRS80 (a = 6378137 m, b = 6356752.314 m).
inline constexpr Ellipsoid kWgs84{6399593.626005325, 0.006739496819936061};
// Bessel 1841 of the DHDN datum (a = 6377397.155 m, b = 6356078.962 m).
inline constexpr Ellipsoid kBessel{6398786.848897881, 0.006719219058355133};

// Degrees per radian, 90 / asin(1), and arc seconds per radian (ρ° × 3600).
extern const double kRhoDeg;
extern const double kRhoSec;

// Half the circumference of the web-mercator sphere (π × 6378137 m).
inline constexpr double kWebMercatorHalf = 20037508.342789244;
// Web-mercator latitudes are clamped to this (degrees), the latitude of a square world map.
inline constexpr double kWebMercatorMaxLat = 85.0511287798;

inline constexpr double kUtmScale = 0.9996;
inline constexpr double kGaussKruegerScale = 1.0;
inline constexpr double kFalseEasting = 500000.0;

// A0 … A5 of the meridian arc A0·φ + Σ Ai·sin(2iφ) (metres).
struct MeridianCoeffs {
    double a[6];
};

// (latitude, longitude, height): radians, radians, metres.
struct Geodetic {
    double lat;
    double lon;
    double h;
};

// (easting, northing, height) in metres.
struct Grid {
    double easting;
    double northing;
    double h;
};

// Geocentric (X, Y, Z) in metres.
struct Cartesian {
    double x;
    double y;
    double z;
};

// A geographic position in degrees (latitude first, as the projection formulas use it).
struct LatLonDeg {
    double lat;
    double lon;
};

// A projected UTM position: easting with the zone prefix (zone × 1000000), northing, in metres,
// and the zone it was computed in.
struct UtmPosition {
    double easting;
    double northing;
    int zone;
};

// A web-mercator position in metres (x east, y north).
struct MercatorXY {
    double x;
    double y;
};

// Coefficients of the meridian arc for an ellipsoid (c in metres).
MeridianCoeffs MeridianCoefficients(double c, double ep2);

// Length of the meridian from the equator to latitude `phi` (radians), in metres.
double MeridianArc(double phi, double c, double ep2);

// Footpoint latitude (radians): the latitude on the central meridian whose meridian arc, scaled
// by k0, equals the grid northing (metres).
double FootpointLatitude(double northing, double k0, double c, double ep2);

// Transverse Mercator forward. `g` in radians, central meridian L0 in degrees. The result has
// the false easting 500000 m but no zone prefix and no false northing; the height is copied.
Grid TmForward(const Geodetic& g, double k0, double c, double ep2, double l0Deg);

// Transverse Mercator inverse. `grid.easting` without zone prefix (but with the 500000 m false
// easting), L0 in degrees. Returns radians; the height is copied.
Geodetic TmInverse(const Grid& grid, double l0Deg, double k0, double c, double ep2);

// Geodetic (radians, metres) to geocentric metres on the given ellipsoid.
Cartesian GeodeticToCartesian(const Geodetic& g, double c, double ep2);

// Geocentric metres to geodetic on the given ellipsoid, by fixed-point iteration on the
// latitude. The longitude lies in [0, 2π).
Geodetic CartesianToGeodetic(const Cartesian& p, double c, double ep2);

// The DHDN datum shift on geocentric coordinates (metres): DhdnToWgs84 = M·P + T, and its
// stand-in inverse Wgs84ToDhdn = Mᵀ·(P − T).
Cartesian DhdnToWgs84(const Cartesian& p);
Cartesian Wgs84ToDhdn(const Cartesian& p);

// WGS84 latitude/longitude (degrees) to DHDN Gauss-Krüger for central meridian L0 (degrees,
// one of 6, 9, 12, 15). Returns (easting with the zone prefix L0/3 × 1000000, northing) in
// metres; the height is 0.
Grid Wgs84ToGaussKrueger(double latDeg, double lonDeg, int l0Deg);

// DHDN Gauss-Krüger (easting with zone prefix, northing; metres) for central meridian L0
// (degrees) to WGS84 latitude/longitude in degrees. The prefix removed is the one of L0, not
// the one in the easting's digits.
LatLonDeg GaussKruegerToWgs84(double easting, double northing, int l0Deg);

// The UTM zone for a WGS84 position in degrees, with the Norway and Svalbard exceptions.
// Returns 0 when the longitude is not finite or absurdly large.
int UtmZoneFor(double latDeg, double lonDeg);

// WGS84 latitude/longitude (degrees) to UTM north in `zone` (1 … 60), or in the zone chosen by
// UtmZoneFor when `zone` is −1.
UtmPosition Wgs84ToUtm(double latDeg, double lonDeg, int zone);

// UTM north (easting with zone prefix, northing; metres) to WGS84 degrees. The zone is the
// integer part of easting / 1000000, whatever system the caller thought the point was in.
// Returns false (and leaves `out` alone) when that integer part does not fit an int.
bool UtmToWgs84(double easting, double northing, LatLonDeg* out);

// Spherical web mercator: longitude/latitude in degrees to metres and back.
MercatorXY WebMercatorForward(double lonDeg, double latDeg);
// Returns (lat, lon) in degrees.
LatLonDeg WebMercatorInverse(double x, double y);

}  // namespace korvel::crs
