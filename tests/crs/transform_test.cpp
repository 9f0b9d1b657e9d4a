#include "crs/transform.h"

#include "crs/projection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace korvel {
namespace {

using crs::kRhoDeg;

// One conversion with its expected outcome. A negative tolerance means "bit for bit".
struct Case {
    const char* name;
    int32_t from;
    int32_t to;
    WorldPoint in;
    bool ok;
    WorldPoint expected;  // for !ok: ignored, the input must come back unchanged
    double tol;           // in the target's units
    int32_t toAfter;      // the record's `to` afterwards
};

const double kNan = std::numeric_limits<double>::quiet_NaN();

// Reference values marked PROJ were computed with cs2cs 9.1 (UTM against EPSG:25832/25833, web
// mercator against EPSG:3857, Gauss-Krüger against tmerc on Bessel with our seven-parameter shift).
const Case kCases[] = {
    // from == to is a no-op even for identifiers nobody knows.
    {"same_unknown", 12345, 12345, {-0.0, 1e300}, true, {-0.0, 1e300}, -1, 12345},
    {"same_local", 0, 0, {kNan, 3.5}, true, {kNan, 3.5}, -1, 0},
    // The central meridian of zone 32: easting exactly the prefix plus the false easting.
    {"utm32_central", 4326, 25832, {9.0, 50.0}, true, {32500000.0, 0.9996 * 5540847.04}, 0.01, 25832},
    {"utm32_7digit", 4326, 325832, {9.0, 50.0}, true, {2500000.0, 0.9996 * 5540847.04}, 0.01, 325832},
    {"utm33_7digit", 4326, 325833, {15.0, 50.0}, true, {3500000.0, 0.9996 * 5540847.04}, 0.01, 325833},
    {"utm33_proj", 4326, 25833, {13.4, 52.5}, true, {33391390.7313388275, 5817855.2406933866}, 1e-3, 25833},
    {"utm33_7digit_inverse", 325833, 4326, {3391390.7313388275, 5817855.2406933866}, true, {13.4, 52.5}, 1e-8,
     4326},
    // The zone comes from the easting's digits, not from the identifier.
    {"utm_digits_win", 25832, 4326, {33391390.7313388275, 5817855.2406933866}, true, {13.4, 52.5}, 1e-8, 4326},
    {"auto_as_source", -3, 4326, {33391390.7313388275, 5817855.2406933866}, true, {13.4, 52.5}, 1e-8, 4326},
    // Gauss-Krüger zone 3: prefix 3 000 000, datum shift moves the point about 74 m east.
    {"gk3_forward_proj", 4326, 31467, {9.0, 50.0}, true, {3500074.170666, 5540406.658157}, 1.5e-3, 31467},
    {"gk3_inverse_proj", 31467, 4326, {3500074.170666, 5540406.658157}, true, {9.0, 50.0}, 2e-8, 4326},
    {"gk_to_utm", 31467, 25832, {3500074.170666, 5540406.658157}, true, {32500000.0, 0.9996 * 5540847.04}, 2e-3,
     25832},
    // Web mercator keeps the equator exact and clamps near the poles.
    {"merc_origin", 4326, 900913, {0.0, 0.0}, true, {0.0, 0.0}, -1, 900913},
    {"merc_equator_back", 900913, 4326, {-55659.745396637, 0.0}, true, {-0.5, 0.0}, 1e-12, 4326},
    {"merc_date_line", 4326, 900913, {180.0, 0.0}, true, {20037508.342789244, 0.0}, -1, 900913},
    {"merc_clamp_north", 4326, 900913, {0.0, 89.0}, true, {0.0, 20037508.342789244}, 1e-3, 900913},
    {"merc_clamp_south", 4326, 900913, {0.0, -90.0}, true, {0.0, -20037508.342789244}, 1e-3, 900913},
    {"merc_to_utm", 900913, 25832, {1001875.417139, 6446275.841017}, true, {32500000.0, 0.9996 * 5540847.04},
     0.01, 25832},
    // Anything the routine does not know leaves the point alone.
    {"unknown_source", 0, 4326, {1.0, 2.0}, false, {}, 0, 4326},
    {"unknown_target", 4326, 0, {1.0, 2.0}, false, {}, 0, 0},
    {"utm_zone_0", 4326, 25800, {9.0, 50.0}, false, {}, 0, 25800},
    {"utm_zone_61", 4326, 25861, {9.0, 50.0}, false, {}, 0, 25861},
    {"gk_zone_1", 4326, 31465, {9.0, 50.0}, false, {}, 0, 31465},
    {"gk_zone_6", 31470, 4326, {3500000.0, 5540000.0}, false, {}, 0, 4326},
    {"seven_digit_34", 4326, 325834, {9.0, 50.0}, false, {}, 0, 325834},
    {"nan_input", 4326, 25832, {kNan, 50.0}, false, {}, 0, 25832},
    {"inf_input", 31467, 4326, {3500000.0, std::numeric_limits<double>::infinity()}, false, {}, 0, 4326},
    {"auto_absurd_longitude", 4326, -3, {1e200, 50.0}, false, {}, 0, -3},
    {"utm_absurd_easting", 25832, 4326, {1e300, 5e6}, false, {}, 0, 4326},
};

class TransformGolden : public ::testing::TestWithParam<Case> {};

TEST_P(TransformGolden, Converts)
{
    const Case& c = GetParam();
    WorldPoint p = c.in;
    CoordTransform t{1, c.from, c.to};
    const bool ok = TransformPoint(&p, &t);
    ASSERT_EQ(ok, c.ok);
    EXPECT_EQ(t.to, c.toAfter);
    EXPECT_EQ(t.from, c.from);
    if (!c.ok || c.tol < 0) {
        const WorldPoint want = c.ok ? c.expected : c.in;
        EXPECT_EQ(std::memcmp(&p, &want, sizeof p), 0) << p.x << " " << p.y;
    } else {
        EXPECT_NEAR(p.x, c.expected.x, c.tol);
        EXPECT_NEAR(p.y, c.expected.y, c.tol);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, TransformGolden, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TransformPoint, CentralMeridianIsExact)
{
    WorldPoint p{9.0, 50.0};
    CoordTransform t{1, CRS_WGS84, CRS_UTM32};
    ASSERT_TRUE(TransformPoint(&p, &t));
    EXPECT_EQ(p.x, 32500000.0);
    EXPECT_EQ(p.y, crs::kUtmScale * crs::MeridianArc(50.0 / kRhoDeg, crs::kWgs84.c, crs::kWgs84.ep2));
}

TEST(TransformPoint, RecordMustBeValid)
{
    WorldPoint p{9.0, 50.0};
    for (uint8_t valid : {0, 2, 255}) {
        CoordTransform t{valid, CRS_WGS84, CRS_UTM32};
        EXPECT_FALSE(TransformPoint(&p, &t)) << int(valid);
        EXPECT_EQ(p, (WorldPoint{9.0, 50.0}));
    }
    // Not even from == to counts without a valid record.
    CoordTransform same{0, CRS_WGS84, CRS_WGS84};
    EXPECT_FALSE(TransformPoint(&p, &same));
    EXPECT_FALSE(TransformPoint(&p, nullptr));
    CoordTransform t{1, CRS_WGS84, CRS_UTM32};
    EXPECT_FALSE(TransformPoint(nullptr, &t));
    EXPECT_EQ(p, (WorldPoint{9.0, 50.0}));
}

TEST(TransformPoint, RoundTripUtm33)
{
    const WorldPoint start{13.4, 52.5};
    WorldPoint p = start;
    CoordTransform there{1, CRS_WGS84, CRS_UTM33};
    CoordTransform back{1, CRS_UTM33, CRS_WGS84};
    ASSERT_TRUE(TransformPoint(&p, &there));
    ASSERT_TRUE(TransformPoint(&p, &back));
    EXPECT_NEAR(p.x, start.x, 1e-9);
    EXPECT_NEAR(p.y, start.y, 1e-9);
}

// Round trips through every projected system near its own central meridian, where forward and
// inverse series agree to half a millimetre (the inverse drops its x⁶ term). Gauss-Krüger does not quite come
// back: the transposed rotation of the datum shift is not its exact inverse (1.4 mm, 1.2e-8°).
TEST(TransformPoint, RoundTripsEverySystem)
{
    struct Trip {
        int32_t id;
        double lon;
    };
    const Trip trips[] = {{900913, -70.0}, {31466, 6.5},  {31467, 8.2},     {31468, 12.9},    {31469, 14.0},
                          {25831, 3.5},    {25832, 9.7},  {25833, 16.0},    {25860, 178.0},   {25801, -178.0},
                          {325832, 7.1},   {325833, 14.2}};
    for (const Trip& trip : trips) {
        for (double lat : {47.25, 51.0, 54.9}) {
            WorldPoint p{trip.lon, lat};
            CoordTransform there{1, CRS_WGS84, trip.id};
            CoordTransform back{1, trip.id, CRS_WGS84};
            ASSERT_TRUE(TransformPoint(&p, &there)) << trip.id;
            ASSERT_TRUE(TransformPoint(&p, &back)) << trip.id;
            const double tol = trip.id >= 31466 && trip.id <= 31469 ? 2e-8 : 5e-9;
            EXPECT_NEAR(p.x, trip.lon, tol) << trip.id << " at " << lat;
            EXPECT_NEAR(p.y, lat, tol) << trip.id << " at " << lat;
        }
    }
}

// The automatic zone: chosen from the first point and then kept for the rest of the record.
TEST(TransformPoint, AutomaticZoneIsChosenOnceAndKept)
{
    CoordTransform t{1, CRS_WGS84, CRS_UTM_AUTO};
    WorldPoint first{13.4, 52.5};
    ASSERT_TRUE(TransformPoint(&first, &t));
    EXPECT_EQ(t.to, CRS_UTM33);
    EXPECT_EQ(std::trunc(first.x / 1e6), 33);

    WorldPoint second{9.0, 50.0};  // zone 32 on its own, but the record now says 33
    ASSERT_TRUE(TransformPoint(&second, &t));
    EXPECT_EQ(t.to, CRS_UTM33);
    EXPECT_EQ(std::trunc(second.x / 1e6), 33);
}

TEST(TransformPoint, AutomaticZoneRules)
{
    struct ZoneCase {
        double lat;
        double lon;
        int zone;
    };
    const ZoneCase cases[] = {
        {52.5, 13.4, 33}, {50.0, 9.0, 32},   {50.0, 6.0, 32},  {50.0, 5.9999, 31}, {-33.9, 18.4, 34},
        {10.0, 180.0, 1},  // zone 61 wraps to 1
        {10.0, -180.0, 1}, {10.0, 179.9, 60},
        // South-west Norway: 3° … 6° E is zone 32 instead of 31.
        {60.0, 5.0, 32}, {60.0, 2.5, 32},  // both Norway tests hold, the later (32) wins
        {60.0, 0.0, 31}, {60.0, -0.5, 31}, {64.0, 5.0, 31}, {55.0, 5.0, 31},  // limits are strict
        // Svalbard: only odd zones 31 … 37.
        {75.0, 15.0, 33}, {75.0, 5.0, 31}, {75.0, 8.5, 33}, {75.0, 20.5, 35}, {75.0, 25.0, 35},
        {75.0, 32.5, 37}, {75.0, 40.0, 37}, {75.0, 42.0, 38}, {71.0, 15.0, 33}, {71.0, 10.0, 32},
    };
    for (const ZoneCase& z : cases) {
        CoordTransform t{1, CRS_WGS84, CRS_UTM_AUTO};
        WorldPoint p{z.lon, z.lat};
        ASSERT_TRUE(TransformPoint(&p, &t)) << z.lat << " " << z.lon;
        EXPECT_EQ(t.to, 25800 + z.zone) << z.lat << " " << z.lon;
        EXPECT_EQ(crs::UtmZoneFor(z.lat, z.lon), z.zone);
    }
}

TEST(TransformPoint, FailureKeepsRecordAndPoint)
{
    CoordTransform t{1, CRS_LOCAL, CRS_UTM_AUTO};
    WorldPoint p{13.4, 52.5};
    EXPECT_FALSE(TransformPoint(&p, &t));
    EXPECT_EQ(t.to, CRS_UTM_AUTO);  // the zone is only fixed by a point that was converted
    EXPECT_EQ(p, (WorldPoint{13.4, 52.5}));
}

TEST(TransformRect, BothCornersOrNeither)
{
    WorldRect r{1001875.417139, 6446275.841017, 1113194.907933, 6621293.722740};  // 9–10° E, 50–51° N
    CoordTransform t{1, CRS_WEBMERCATOR, CRS_UTM_AUTO};
    ASSERT_TRUE(TransformRect(&r, &t));
    EXPECT_EQ(t.to, CRS_UTM32);
    EXPECT_NEAR(r.minX, 32500000.0, 1e-3);
    EXPECT_NEAR(r.minY, 0.9996 * 5540847.04, 0.01);
    EXPECT_GT(r.maxX, r.minX);
    EXPECT_GT(r.maxY, r.minY);

    // A second corner that cannot be converted leaves the first one and the record alone.
    const WorldRect bad{9.0, 50.0, std::numeric_limits<double>::infinity(), 51.0};
    WorldRect r2 = bad;
    CoordTransform auto3{1, CRS_WGS84, CRS_UTM_AUTO};
    EXPECT_FALSE(TransformRect(&r2, &auto3));
    EXPECT_EQ(std::memcmp(&r2, &bad, sizeof bad), 0);
    EXPECT_EQ(auto3.to, CRS_UTM_AUTO);
    EXPECT_FALSE(TransformRect(&r2, nullptr));
}

// Points west of Greenwich come out with a negative longitude even through the geocentric
// datum shift (whose longitude runs from 0 to 360°).
TEST(TransformPoint, GaussKruegerWestOfGreenwich)
{
    WorldPoint p{2000000.0, 5540000.0};  // 500 km west of 6° E
    CoordTransform t{1, 31466, CRS_WGS84};
    ASSERT_TRUE(TransformPoint(&p, &t));
    EXPECT_LT(p.x, 0.0);
    EXPECT_GT(p.x, -1.5);

    WorldPoint q{-0.5, 50.0};
    CoordTransform toGk{1, CRS_WGS84, 31466};
    ASSERT_TRUE(TransformPoint(&q, &toGk));
    EXPECT_NEAR(q.x, 2000000.0, 60000.0);
}

// --- building blocks ---------------------------------------------------------------------

TEST(Projection, StoredConstants)
{
    EXPECT_EQ(crs::kRhoDeg, 57.29577951308232);
    EXPECT_EQ(crs::kRhoSec, 206264.80624709636);
}

TEST(Projection, MeridianArc)
{
    EXPECT_NEAR(crs::MeridianArc(50.0 / kRhoDeg, crs::kWgs84.c, crs::kWgs84.ep2), 5540847.04, 0.005);
    EXPECT_EQ(crs::MeridianArc(0.0, crs::kWgs84.c, crs::kWgs84.ep2), 0.0);
    // A quarter meridian of WGS84 is 10 001 965.729 m; Bessel's 10 000 855.764 m.
    EXPECT_NEAR(crs::MeridianArc(std::asin(1.0), crs::kWgs84.c, crs::kWgs84.ep2), 10001965.729, 1e-3);
    EXPECT_NEAR(crs::MeridianArc(std::asin(1.0), crs::kBessel.c, crs::kBessel.ep2), 10000855.764, 1e-3);
    // The arc is odd in the latitude.
    EXPECT_DOUBLE_EQ(crs::MeridianArc(-0.3, crs::kBessel.c, crs::kBessel.ep2),
                     -crs::MeridianArc(0.3, crs::kBessel.c, crs::kBessel.ep2));
}

TEST(Projection, FootpointInvertsTheArc)
{
    for (double latDeg : {0.0, 10.0, 47.0, 50.0, 55.0, 70.0}) {
        const double phi = latDeg / kRhoDeg;
        for (double k0 : {1.0, 0.9996}) {
            const double northing = k0 * crs::MeridianArc(phi, crs::kWgs84.c, crs::kWgs84.ep2);
            EXPECT_NEAR(crs::FootpointLatitude(northing, k0, crs::kWgs84.c, crs::kWgs84.ep2), phi, 1e-10)
                << latDeg;
        }
    }
}

TEST(Projection, TmInverseOnTheCentralMeridian)
{
    const crs::Grid g{500000.0, 5540000.0, 12.5};
    const crs::Geodetic geo = crs::TmInverse(g, 9.0, 1.0, crs::kBessel.c, crs::kBessel.ep2);
    EXPECT_EQ(geo.lon, 9.0 / kRhoDeg);
    EXPECT_EQ(geo.h, 12.5);
    EXPECT_EQ(geo.lat, crs::FootpointLatitude(5540000.0, 1.0, crs::kBessel.c, crs::kBessel.ep2));
}

TEST(Projection, GeocentricRoundTrip)
{
    const crs::Geodetic points[] = {
        {50.0 / kRhoDeg, 9.0 / kRhoDeg, 300.0},    {-33.0 / kRhoDeg, 151.0 / kRhoDeg, -20.0},
        {0.0, -70.0 / kRhoDeg, 0.0},               {89.9 / kRhoDeg, 1.0 / kRhoDeg, 1000.0},
        {-60.0 / kRhoDeg, -120.0 / kRhoDeg, 5.0},  {30.0 / kRhoDeg, 0.0, 10000.0},
    };
    for (const crs::Geodetic& g : points) {
        const crs::Cartesian c = crs::GeodeticToCartesian(g, crs::kBessel.c, crs::kBessel.ep2);
        const crs::Geodetic back = crs::CartesianToGeodetic(c, crs::kBessel.c, crs::kBessel.ep2);
        EXPECT_NEAR(back.lat, g.lat, 1e-11);
        const double lon = g.lon < 0 ? g.lon + 2.0 * std::acos(-1.0) : g.lon;  // answers in [0, 2π)
        EXPECT_NEAR(back.lon, lon, 1e-12);
        EXPECT_NEAR(back.h, g.h, 1e-4);
    }
    // WGS84 equator at Greenwich: X = a.
    const crs::Cartesian eq = crs::GeodeticToCartesian({0.0, 0.0, 0.0}, crs::kWgs84.c, crs::kWgs84.ep2);
    EXPECT_NEAR(eq.x, 6378137.0, 1e-3);
    // The poles themselves (p = 0) converge instead of dividing by zero forever.
    const crs::Geodetic pole = crs::CartesianToGeodetic({0.0, 0.0, -6356752.314}, crs::kWgs84.c, crs::kWgs84.ep2);
    EXPECT_NEAR(pole.lat, -std::asin(1.0), 1e-12);
    EXPECT_NEAR(pole.h, 0.0, 1e-3);
}

TEST(Projection, DatumShiftTransposeIsCloseToInverse)
{
    const crs::Cartesian p{4000000.0, 700000.0, 4900000.0};
    const crs::Cartesian there = crs::DhdnToWgs84(p);
    EXPECT_NEAR(there.x - p.x, 582.0 + 3.08 / crs::kRhoSec * p.y + 0.3555 / crs::kRhoSec * p.z, 1e-9);
    const crs::Cartesian back = crs::Wgs84ToDhdn(there);
    // Mᵀ·M differs from the identity by the squared angles: about a millimetre here.
    EXPECT_NEAR(back.x, p.x, 3e-3);
    EXPECT_NEAR(back.y, p.y, 3e-3);
    EXPECT_NEAR(back.z, p.z, 3e-3);
}

// The composite conversions use the ellipsoids' meridian coefficients evaluated at compile
// time; they must give exactly what the building blocks give when called one after another.
TEST(Projection, CompositesMatchTheBuildingBlocks)
{
    using crs::kBessel;
    using crs::kWgs84;
    for (double lat : {47.1, 50.0, 54.9}) {
        for (double lon : {6.2, 9.0, 11.7}) {
            const crs::Geodetic g{lat / kRhoDeg, lon / kRhoDeg, 0.0};
            const crs::Grid tm = crs::TmForward(g, 0.9996, kWgs84.c, kWgs84.ep2, 9.0);
            const crs::UtmPosition utm = crs::Wgs84ToUtm(lat, lon, 32);
            EXPECT_EQ(utm.easting, tm.easting + 32e6);
            EXPECT_EQ(utm.northing, tm.northing);

            crs::LatLonDeg back{};
            ASSERT_TRUE(crs::UtmToWgs84(utm.easting, utm.northing, &back));
            const crs::Geodetic inv =
                crs::TmInverse({utm.easting - 32e6, utm.northing, 0.0}, 9.0, 0.9996, kWgs84.c, kWgs84.ep2);
            EXPECT_EQ(back.lat, inv.lat * kRhoDeg);
            EXPECT_EQ(back.lon, inv.lon * kRhoDeg);

            crs::Geodetic bessel = crs::CartesianToGeodetic(
                crs::Wgs84ToDhdn(crs::GeodeticToCartesian(g, kWgs84.c, kWgs84.ep2)), kBessel.c, kBessel.ep2);
            bessel.h = 0.0;
            const crs::Grid gkTm = crs::TmForward(bessel, 1.0, kBessel.c, kBessel.ep2, 9.0);
            const crs::Grid gk = crs::Wgs84ToGaussKrueger(lat, lon, 9);
            EXPECT_EQ(gk.easting, gkTm.easting + 3e6);
            EXPECT_EQ(gk.northing, gkTm.northing);
        }
    }
}

TEST(Projection, WebMercatorEquatorAvoidsTheLogarithm)
{
    EXPECT_EQ(crs::WebMercatorForward(12.0, 0.0).y, 0.0);
    EXPECT_EQ(crs::WebMercatorInverse(1e6, 0.0).lat, 0.0);
    EXPECT_EQ(crs::WebMercatorForward(0.0, 89.0).y, crs::WebMercatorForward(0.0, 85.0511287798).y);
    EXPECT_EQ(crs::WebMercatorForward(0.0, -89.0).y, crs::WebMercatorForward(0.0, -85.0511287798).y);
}

}  // namespace
}  // namespace korvel
