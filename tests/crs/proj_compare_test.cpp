// TransformPoint against PROJ's command-line tool on a grid of points across Germany.
//
// Largest deviations measured over the grids below with PROJ 9.1.1 (the test prints them):
//   UTM 25832/25833 forward, ±3° from the central meridian   0.55 mm
//   UTM inverse, ±2°                                          0.53 mm
//   UTM inverse, ±3°                                          4.6 mm (the inverse series stops
//                                                             at x⁵; stored documents rely on it)
//   web mercator forward / inverse                            4e-8 m / 2.4e-9 m
//   Gauss-Krüger zone 3 forward ±3° / inverse ±2°             0.61 mm / 0.75 mm
//   Gauss-Krüger zone 3 inverse ±3°                           4.8 mm

#include "crs/projection.h"
#include "crs/transform.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace korvel {
namespace {

struct Pair {
    double a;
    double b;
};

// Metres per degree of latitude, and of longitude at the equator, near Germany (good to 1%,
// which is plenty to turn an angular difference into a millimetre figure).
constexpr double kMetresPerDegree = 111200.0;

const QStringList kGeographic = {"+proj=longlat", "+datum=WGS84"};
// DHDN Gauss-Krüger zone 3 with the same seven parameters as ours. EPSG:31467 itself would
// make PROJ pick a grid-based shift, which is a different (better) datum transformation.
const QStringList kGaussKrueger3 = {"+proj=tmerc",      "+lon_0=9",       "+k=1",
                                    "+x_0=3500000",     "+y_0=0",         "+ellps=bessel",
                                    "+towgs84=582,105,414,1.039,0.3555,-3.08,0"};

QString Cs2cs() { return QStandardPaths::findExecutable(QStringLiteral("cs2cs")); }

// Runs cs2cs from `src` to `dst` over the points (first value first on each line) and returns
// the first two numbers of each output line. An empty result means the tool failed.
std::vector<Pair> RunCs2cs(const QStringList& src, const QStringList& dst, const std::vector<Pair>& in)
{
    QByteArray input;
    char line[96];
    for (const Pair& p : in) {
        std::snprintf(line, sizeof line, "%.12f %.12f\n", p.a, p.b);
        input += line;
    }
    QStringList args = {QStringLiteral("-f"), QStringLiteral("%.12f")};
    args << src << QStringLiteral("+to") << dst;
    QProcess proc;
    proc.start(Cs2cs(), args);
    if (!proc.waitForStarted()) return {};
    proc.write(input);
    proc.closeWriteChannel();
    if (!proc.waitForFinished(60000) || proc.exitCode() != 0) return {};
    std::vector<Pair> out;
    const QList<QByteArray> lines = proc.readAllStandardOutput().split('\n');
    for (const QByteArray& l : lines) {
        const QList<QByteArray> f = l.simplified().split(' ');
        if (f.size() < 2) continue;
        bool ok1 = false;
        bool ok2 = false;
        out.push_back(Pair{f[0].toDouble(&ok1), f[1].toDouble(&ok2)});
        if (!ok1 || !ok2) return {};
    }
    if (out.size() != in.size()) return {};
    return out;
}

// (lon, lat) in degrees, 47 … 55° N in quarter degrees, `halfWidth` either side of `l0`.
std::vector<Pair> Grid(double l0, double halfWidth)
{
    std::vector<Pair> g;
    for (double lat = 47.0; lat <= 55.0 + 1e-9; lat += 0.25) {
        for (double d = -halfWidth; d <= halfWidth + 1e-9; d += 0.25) g.push_back(Pair{l0 + d, lat});
    }
    return g;
}

WorldPoint Convert(int32_t from, int32_t to, WorldPoint p)
{
    CoordTransform t{1, from, to};
    EXPECT_TRUE(TransformPoint(&p, &t));
    return p;
}

double GroundDistance(const Pair& lonLatA, const Pair& lonLatB)
{
    const double dy = (lonLatA.b - lonLatB.b) * kMetresPerDegree;
    const double dx = (lonLatA.a - lonLatB.a) * kMetresPerDegree * std::cos(lonLatA.b / crs::kRhoDeg);
    return std::hypot(dx, dy);
}

void Report(const char* what, double metres)
{
    std::printf("[ measured ] %s: max deviation %.3g m\n", what, metres);
}

class ProjCompare : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (Cs2cs().isEmpty()) GTEST_SKIP() << "cs2cs (Debian package proj-bin) is not installed";
    }

    // Grid-point forward comparison; returns the largest distance in metres.
    static double Forward(int32_t id, double prefix, const QStringList& projDst, const std::vector<Pair>& lonLat)
    {
        const std::vector<Pair> ref = RunCs2cs(kGeographic, projDst, lonLat);
        EXPECT_EQ(ref.size(), lonLat.size());
        double worst = 0.0;
        for (size_t i = 0; i < ref.size(); ++i) {
            const WorldPoint p = Convert(CRS_WGS84, id, WorldPoint{lonLat[i].a, lonLat[i].b});
            worst = std::max(worst, std::hypot(p.x - prefix - ref[i].a, p.y - ref[i].b));
        }
        return worst;
    }

    // Grid-point inverse comparison: PROJ's forward results converted back by both.
    static double Inverse(int32_t id, double prefix, const QStringList& projSrc, const std::vector<Pair>& lonLat)
    {
        const std::vector<Pair> grid = RunCs2cs(kGeographic, projSrc, lonLat);
        const std::vector<Pair> ref = RunCs2cs(projSrc, kGeographic, grid);
        EXPECT_EQ(ref.size(), lonLat.size());
        double worst = 0.0;
        for (size_t i = 0; i < ref.size(); ++i) {
            const WorldPoint p = Convert(id, CRS_WGS84, WorldPoint{grid[i].a + prefix, grid[i].b});
            worst = std::max(worst, GroundDistance(Pair{p.x, p.y}, ref[i]));
        }
        return worst;
    }
};

TEST_F(ProjCompare, UtmForwardWithinThreeDegrees)
{
    const double d32 = Forward(CRS_UTM32, 32e6, {"EPSG:25832"}, Grid(9.0, 3.0));
    const double d33 = Forward(CRS_UTM33, 33e6, {"EPSG:25833"}, Grid(15.0, 3.0));
    Report("UTM forward +-3 deg", std::max(d32, d33));
    EXPECT_LE(d32, 1e-3);
    EXPECT_LE(d33, 1e-3);
}

TEST_F(ProjCompare, UtmInverse)
{
    const double d32 = Inverse(CRS_UTM32, 32e6, {"EPSG:25832"}, Grid(9.0, 2.0));
    const double d33 = Inverse(CRS_UTM33, 33e6, {"EPSG:25833"}, Grid(15.0, 2.0));
    Report("UTM inverse +-2 deg", std::max(d32, d33));
    EXPECT_LE(d32, 1e-3);
    EXPECT_LE(d33, 1e-3);
    // Further out the shortened inverse series drifts off by millimetres, as it always has.
    const double wide = Inverse(CRS_UTM32, 32e6, {"EPSG:25832"}, Grid(9.0, 3.0));
    Report("UTM inverse +-3 deg", wide);
    EXPECT_LE(wide, 1e-2);
}

TEST_F(ProjCompare, SevenDigitUtmMatchesTheZonePrefixedOne)
{
    const double d = Forward(CRS_UTM32_7, 2e6, {"EPSG:25832"}, Grid(9.0, 3.0));
    EXPECT_LE(d, 1e-3);
}

TEST_F(ProjCompare, WebMercatorBothWays)
{
    std::vector<Pair> lonLat = Grid(10.5, 5.0);
    lonLat.push_back(Pair{-120.5, -60.25});
    lonLat.push_back(Pair{179.75, 85.0});
    const double fwd = Forward(CRS_WEBMERCATOR, 0.0, {"EPSG:3857"}, lonLat);
    const double inv = Inverse(CRS_WEBMERCATOR, 0.0, {"EPSG:3857"}, lonLat);
    Report("web mercator forward", fwd);
    Report("web mercator inverse", inv);
    EXPECT_LE(fwd, 1e-6);
    EXPECT_LE(inv, 1e-6);
}

TEST_F(ProjCompare, GaussKruegerZone3)
{
    const double fwd = Forward(31467, 0.0, kGaussKrueger3, Grid(9.0, 3.0));
    const double inv = Inverse(31467, 0.0, kGaussKrueger3, Grid(9.0, 2.0));
    Report("Gauss-Krueger zone 3 forward +-3 deg", fwd);
    Report("Gauss-Krueger zone 3 inverse +-2 deg", inv);
    EXPECT_LE(fwd, 1.5e-3);
    EXPECT_LE(inv, 1.5e-3);
    const double wide = Inverse(31467, 0.0, kGaussKrueger3, Grid(9.0, 3.0));
    Report("Gauss-Krueger zone 3 inverse +-3 deg", wide);
    EXPECT_LE(wide, 1e-2);
}

}  // namespace
}  // namespace korvel
