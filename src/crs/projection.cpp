#include "crs/projection.h"

#include <cmath>
#include <numbers>

namespace korvel::crs {

// Written as 90 / asin(1) rather than 180 / π because that is how the stored coordinates
// were produced; both give 57.29577951308232.
const double kRhoDeg = 90.0 / std::asin(1.0);
const double kRhoSec = kRhoDeg * 3600.0;

namespace {

constexpr double kPi = std::numbers::pi;

// Datum shift DHDN → WGS84: translation in metres, rotations in arc seconds. No scale.
constexpr double kShiftX = 582.0;
constexpr double kShiftY = 105.0;
constexpr double kShiftZ = 414.0;
constexpr double kRotX = 1.039;
constexpr double kRotY = 0.3555;
constexpr double kRotZ = 3.08;

// Footpoint series coefficients, as stored (the fractions in e'² they stand for are noted).
constexpr double kF2a = 0.375;                 // 3/8
constexpr double kF2b = -0.1875;               // -3/16
constexpr double kF2c = 0.10400390625;         // 213/2048
constexpr double kF2d = -0.062255859375;       // -255/4096
constexpr double kF4a = 0.08203125;            // 21/256
constexpr double kF4b = -0.08203125;           // -21/256
constexpr double kF4c = 0.0650634765625;       // 533/8192
constexpr double kF6a = 0.024576822916666668;  // 151/6144
constexpr double kF6b = -0.036865234375;       // -453/12288

constexpr double Factorial(int n)
{
    double f = 1.0;
    for (int i = 2; i <= n; ++i) f *= i;
    return f;
}

// B(k), the generalised binomial coefficient of −3/2: (−3/2)(−5/2)…(−3/2 − k + 1) / k!.
constexpr double BinomialMinus3Halves(int k)
{
    double b = 1.0;
    for (int j = 0; j < k; ++j) b *= -1.5 - j;
    return b / Factorial(k);
}

// The coefficient tables do not depend on the ellipsoid; they are evaluated by the compiler
// with the same double arithmetic a run-time loop would use.
struct ArcTables {
    double b[8];     // B(k)
    double c[8][6];  // C(2k, k − i), 0 where i > k
};

constexpr ArcTables MakeArcTables()
{
    ArcTables t{};
    for (int k = 0; k <= 7; ++k) {
        t.b[k] = BinomialMinus3Halves(k);
        for (int i = 0; i <= 5 && i <= k; ++i) t.c[k][i] = Factorial(2 * k) / (Factorial(k - i) * Factorial(k + i));
    }
    return t;
}

constexpr ArcTables kArc = MakeArcTables();

// Brings a longitude in radians into (−π, π]. CartesianToGeodetic answers in [0, 2π), which
// would put every point west of Greenwich a full turn away from its central meridian.
double WrapLongitude(double lon)
{
    return lon > kPi ? lon - 2.0 * kPi : lon;
}

// The integer part of `value`, or false when it is not finite or does not fit an int with room
// to spare (such inputs have no meaningful zone, and the cast would be undefined).
bool ZoneNumber(double value, int* zone)
{
    if (!(std::fabs(value) < 1.0e6)) return false;
    *zone = static_cast<int>(value);
    return true;
}

}  // namespace

namespace {

// The meridian arc is c·∫(1 + e'²cos²φ)^(−3/2) dφ. Expanding the integrand binomially to the
// seventh power of e'² and writing cos^(2k)φ as a sum of cos(2iφ) gives A0·φ + Σ Ai·sin(2iφ),
// with B(k) the generalised binomial coefficient of −3/2 and C(2k, k−i) from the cosine power.
constexpr MeridianCoeffs ComputeMeridianCoefficients(double c, double ep2)
{
    const double q = ep2 / 4.0;
    double sum[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    double qk = 1.0;
    for (int k = 1; k <= 7; ++k) {
        qk *= q;
        const double bq = kArc.b[k] * qk;
        for (int i = 0; i <= 5 && i <= k; ++i) sum[i] += bq * kArc.c[k][i];
    }
    MeridianCoeffs m{};
    m.a[0] = c * (1.0 + sum[0]);
    for (int i = 1; i <= 5; ++i) m.a[i] = c / i * sum[i];
    return m;
}

// The two ellipsoids' coefficients, evaluated by the compiler with exactly the arithmetic of a
// call at run time (the tests check that the two agree bit for bit).
constexpr MeridianCoeffs kWgs84Arc = ComputeMeridianCoefficients(kWgs84.c, kWgs84.ep2);
constexpr MeridianCoeffs kBesselArc = ComputeMeridianCoefficients(kBessel.c, kBessel.ep2);

}  // namespace

MeridianCoeffs MeridianCoefficients(double c, double ep2)
{
    return ComputeMeridianCoefficients(c, ep2);
}

namespace {

// A0·φ + Σ Ai·sin(2iφ), summed with Clenshaw's recurrence from sin 2φ and cos 2φ alone.
double SumArc(const MeridianCoeffs& m, double phi, double sin2Phi, double cos2Phi)
{
    const double twoCos = 2.0 * cos2Phi;
    double b1 = 0.0;
    double b2 = 0.0;
    for (int i = 5; i >= 1; --i) {
        const double b0 = m.a[i] + twoCos * b1 - b2;
        b2 = b1;
        b1 = b0;
    }
    return m.a[0] * phi + b1 * sin2Phi;
}

}  // namespace

double MeridianArc(double phi, double c, double ep2)
{
    return SumArc(MeridianCoefficients(c, ep2), phi, std::sin(2.0 * phi), std::cos(2.0 * phi));
}

namespace {

// The building blocks below with the meridian coefficients handed in, so that the composite
// conversions can use the ellipsoids' constant tables.

// Inverting the arc series for the rectifying latitude σ = arc / A0 (a Fourier series in σ
// whose coefficients are expanded in e'² to the fourth power).
double Footpoint(const MeridianCoeffs& m, double northing, double k0, double ep2)
{
    const double sigma = northing / k0 / m.a[0];
    const double e4 = ep2 * ep2;
    const double e6 = e4 * ep2;
    const double e8 = e6 * ep2;
    const double f2 = kF2a * ep2 + kF2b * e4 + kF2c * e6 + kF2d * e8;
    const double f4 = kF4a * e4 + kF4b * e6 + kF4c * e8;
    const double f6 = kF6a * e6 + kF6b * e8;
    // sin 4σ and sin 6σ from the double-angle and addition formulas.
    const double s2 = std::sin(2.0 * sigma);
    const double c2 = std::cos(2.0 * sigma);
    const double s4 = 2.0 * s2 * c2;
    const double c4 = c2 * c2 - s2 * s2;
    const double s6 = s4 * c2 + c4 * s2;
    return sigma + f2 * s2 + f4 * s4 + f6 * s6;
}

// The classical Gauss-Krüger series in the longitude difference l: easting to l⁵, northing to
// l⁴. Some of the η² terms of the textbook series are left out; at 3° from the central meridian
// that costs well under a millimetre.
Grid TmForwardWith(const MeridianCoeffs& m, const Geodetic& g, double k0, double c, double ep2, double l0Deg)
{
    const double phi = g.lat;
    const double l = g.lon - l0Deg / kRhoDeg;
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double t = sinPhi / cosPhi;
    const double t2 = t * t;
    const double v2 = 1.0 + ep2 * cosPhi * cosPhi;
    const double n = c / std::sqrt(v2);
    const double l2 = l * l;
    const double cos2 = cosPhi * cosPhi;

    const double e1 = n * cosPhi * l;
    const double e3 = n * cos2 * cosPhi * (v2 - t2) / 6.0 * l2 * l;
    const double e5 = n * cos2 * cos2 * cosPhi * (5.0 - 18.0 * t2 + t2 * t2) / 120.0 * l2 * l2 * l;
    const double n2 = n * cos2 * t / 2.0 * l2;
    const double n4 = n * cos2 * cos2 * t * (9.0 * v2 - 4.0 - t2) / 24.0 * l2 * l2;

    const double arc = SumArc(m, phi, 2.0 * sinPhi * cosPhi, cos2 - sinPhi * sinPhi);
    return Grid{kFalseEasting + k0 * (e1 + e3 + e5), k0 * (arc + n2 + n4), g.h};
}

// The inverse series around the footpoint latitude: latitude to x⁴, longitude to x⁵. Without
// the x⁶ latitude term it is a few millimetres off at 3° from the central meridian; stored
// documents were converted with exactly this, so it stays.
Geodetic TmInverseWith(const MeridianCoeffs& m, const Grid& grid, double l0Deg, double k0, double c, double ep2)
{
    const double phiF = Footpoint(m, grid.northing, k0, ep2);
    const double x = (grid.easting - kFalseEasting) / k0;
    const double cosF = std::cos(phiF);
    const double t = std::tan(phiF);
    const double t2 = t * t;
    const double v2 = 1.0 + ep2 * cosF * cosF;
    const double eta2 = v2 - 1.0;
    const double n = c / std::sqrt(v2);
    const double n2 = n * n;
    const double x2 = x * x;

    const double lat = phiF - t * v2 / (2.0 * n2) * x2 +
                       t * (5.0 + 3.0 * t2 + 6.0 * eta2 - 6.0 * eta2 * t2) / (24.0 * n2 * n2) * x2 * x2;
    const double lon = l0Deg / kRhoDeg + x / (n * cosF) -
                       (1.0 + 2.0 * t2 + eta2) / (6.0 * n2 * n * cosF) * x2 * x +
                       (5.0 + 28.0 * t2 + 24.0 * t2 * t2) / (120.0 * n2 * n2 * n * cosF) * x2 * x2 * x;
    return Geodetic{lat, lon, grid.h};
}

}  // namespace

double FootpointLatitude(double northing, double k0, double c, double ep2)
{
    return Footpoint(MeridianCoefficients(c, ep2), northing, k0, ep2);
}

Grid TmForward(const Geodetic& g, double k0, double c, double ep2, double l0Deg)
{
    return TmForwardWith(MeridianCoefficients(c, ep2), g, k0, c, ep2, l0Deg);
}

Geodetic TmInverse(const Grid& grid, double l0Deg, double k0, double c, double ep2)
{
    return TmInverseWith(MeridianCoefficients(c, ep2), grid, l0Deg, k0, c, ep2);
}

Cartesian GeodeticToCartesian(const Geodetic& g, double c, double ep2)
{
    const double cosPhi = std::cos(g.lat);
    const double v = std::sqrt(1.0 + ep2 * cosPhi * cosPhi);
    const double n = c / v;
    return Cartesian{(n + g.h) * cosPhi * std::cos(g.lon), (n + g.h) * cosPhi * std::sin(g.lon),
                     (n / (1.0 + ep2) + g.h) * std::sin(g.lat)};
}

// tan φ = (Z + e²·N·sinφ) / p, solved by fixed-point iteration from the spherical latitude.
// Here e²·N = (c − c/(1 + e'²))/V. Works on |Z| and puts the sign back at the end. The
// iteration runs on t = tan φ, where sin φ / V = t / √(1 + e'² + t²) needs one square root and
// no trigonometric call; the stopping rule |φ' − φ| <= 1e-10 reads tan(φ' − φ) = (t' − t)/(1 + t·t').
Geodetic CartesianToGeodetic(const Cartesian& p, double c, double ep2)
{
    constexpr int kMaxIterations = 50;  // converges in about five; the cap only guards NaN
    const double az = std::fabs(p.z);
    const double dist = std::sqrt(p.x * p.x + p.y * p.y);
    const double e2c = c - c / (1.0 + ep2);
    double phi;
    double sinPhi;
    double cosPhi;
    if (dist == 0.0) {  // on the axis: a pole, or the centre itself
        phi = az > 0.0 ? std::asin(1.0) : 0.0;
        sinPhi = az > 0.0 ? 1.0 : 0.0;
        cosPhi = az > 0.0 ? 0.0 : 1.0;
    } else {
        double t = az / dist;
        for (int i = 0; i < kMaxIterations; ++i) {
            const double next = (az + e2c * t / std::sqrt(1.0 + ep2 + t * t)) / dist;
            const bool done = std::fabs(next - t) <= 1e-10 * (1.0 + t * next);
            t = next;
            if (done) break;
        }
        phi = std::atan(t);
        cosPhi = 1.0 / std::sqrt(1.0 + t * t);
        sinPhi = t * cosPhi;
    }
    const double v = std::sqrt(1.0 + ep2 * cosPhi * cosPhi);
    double h;
    if (phi >= 0.7853981633974483) {
        h = az / sinPhi - (c / (1.0 + ep2)) / v;
    } else {
        h = dist / cosPhi - c / v;
    }
    const double lat = p.z > 0.0 ? phi : (p.z < 0.0 ? -phi : 0.0);
    double lon = std::atan2(p.y, p.x);
    if (lon < 0.0) lon += 2.0 * kPi;
    return Geodetic{lat, lon, h};
}

Cartesian DhdnToWgs84(const Cartesian& p)
{
    const double rx = kRotX / kRhoSec;
    const double ry = kRotY / kRhoSec;
    const double rz = kRotZ / kRhoSec;
    return Cartesian{p.x + rz * p.y + ry * p.z + kShiftX,  //
                     -rz * p.x + p.y - rx * p.z + kShiftY,  //
                     -ry * p.x + rx * p.y + p.z + kShiftZ};
}

// The transpose of the small rotation stands in for its inverse; the difference is of the
// order of the squared angles (below 2 mm at the earth's radius).
Cartesian Wgs84ToDhdn(const Cartesian& p)
{
    const double rx = kRotX / kRhoSec;
    const double ry = kRotY / kRhoSec;
    const double rz = kRotZ / kRhoSec;
    const double x = p.x - kShiftX;
    const double y = p.y - kShiftY;
    const double z = p.z - kShiftZ;
    return Cartesian{x - rz * y - ry * z,  //
                     rz * x + y + rx * z,  //
                     ry * x - rx * y + z};
}

Grid Wgs84ToGaussKrueger(double latDeg, double lonDeg, int l0Deg)
{
    const Geodetic wgs{latDeg / kRhoDeg, lonDeg / kRhoDeg, 0.0};
    const Cartesian dhdn = Wgs84ToDhdn(GeodeticToCartesian(wgs, kWgs84.c, kWgs84.ep2));
    Geodetic bessel = CartesianToGeodetic(dhdn, kBessel.c, kBessel.ep2);
    bessel.lon = WrapLongitude(bessel.lon);
    bessel.h = 0.0;
    Grid gk = TmForwardWith(kBesselArc, bessel, kGaussKruegerScale, kBessel.c, kBessel.ep2, l0Deg);
    gk.easting += (l0Deg / 3) * 1000000.0;
    gk.h = 0.0;
    return gk;
}

LatLonDeg GaussKruegerToWgs84(double easting, double northing, int l0Deg)
{
    const int zone = l0Deg / 3;
    const Grid gk{easting - zone * 1000000.0, northing, 0.0};
    const Geodetic bessel = TmInverseWith(kBesselArc, gk, 3 * zone, kGaussKruegerScale, kBessel.c, kBessel.ep2);
    const Cartesian wgs = DhdnToWgs84(GeodeticToCartesian(bessel, kBessel.c, kBessel.ep2));
    const Geodetic g = CartesianToGeodetic(wgs, kWgs84.c, kWgs84.ep2);
    return LatLonDeg{g.lat * kRhoDeg, WrapLongitude(g.lon) * kRhoDeg};
}

int UtmZoneFor(double latDeg, double lonDeg)
{
    int zone = 0;
    if (!ZoneNumber(std::floor((lonDeg + 180.0) / 6.0) + 1.0, &zone)) return 0;
    if (zone > 60) zone = 1;
    // South-west Norway belongs to zone 32, Svalbard to the odd zones 31 … 37. Where two of
    // the longitude ranges overlap, the later test wins.
    if (latDeg > 55.0 && latDeg < 64.0) {
        if (lonDeg > -1.0 && lonDeg < 3.0) zone = 31;
        if (lonDeg > 2.0 && lonDeg < 12.0) zone = 32;
    }
    if (latDeg > 71.0) {
        if (lonDeg > -1.0 && lonDeg < 9.0) zone = 31;
        if (lonDeg > 8.0 && lonDeg < 21.0) zone = 33;
        if (lonDeg > 20.0 && lonDeg < 33.0) zone = 35;
        if (lonDeg > 32.0 && lonDeg < 42.0) zone = 37;
    }
    return zone;
}

UtmPosition Wgs84ToUtm(double latDeg, double lonDeg, int zone)
{
    if (zone == -1) zone = UtmZoneFor(latDeg, lonDeg);
    const double l0 = 6.0 * zone - 183.0;
    const Geodetic g{latDeg / kRhoDeg, lonDeg / kRhoDeg, 0.0};
    const Grid grid = TmForwardWith(kWgs84Arc, g, kUtmScale, kWgs84.c, kWgs84.ep2, l0);
    return UtmPosition{grid.easting + zone * 1000000.0, grid.northing, zone};
}

bool UtmToWgs84(double easting, double northing, LatLonDeg* out)
{
    int zone = 0;
    if (!ZoneNumber(std::trunc(easting / 1000000.0), &zone)) return false;
    const Grid grid{easting - zone * 1000000.0, northing, 0.0};
    const Geodetic g = TmInverseWith(kWgs84Arc, grid, 6.0 * zone - 183.0, kUtmScale, kWgs84.c, kWgs84.ep2);
    *out = LatLonDeg{g.lat * kRhoDeg, g.lon * kRhoDeg};
    return true;
}

MercatorXY WebMercatorForward(double lonDeg, double latDeg)
{
    MercatorXY m{kWebMercatorHalf * lonDeg / 180.0, 0.0};
    // The equator is kept exact: tan(π/4) is not exactly 1 in floating point.
    if (latDeg != 0.0) {
        if (latDeg > kWebMercatorMaxLat) latDeg = kWebMercatorMaxLat;
        if (latDeg < -kWebMercatorMaxLat) latDeg = -kWebMercatorMaxLat;
        m.y = std::log(std::tan((latDeg + 90.0) * kPi / 360.0)) / 0.017453292519943295 * kWebMercatorHalf /
              180.0;
    }
    return m;
}

LatLonDeg WebMercatorInverse(double x, double y)
{
    LatLonDeg g{0.0, x / kWebMercatorHalf * 180.0};
    if (y != 0.0) {
        g.lat = (2.0 * std::atan(std::exp(y / kWebMercatorHalf * 180.0 * kPi / 180.0)) - kPi / 2.0) *
                57.29577951308232;
    }
    return g;
}

}  // namespace korvel::crs
