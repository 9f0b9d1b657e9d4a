// Viewport maths: mapping with its truncation rules, fitting, zooming, panning, resizing.
#include "view/viewport.h"

#include "crs/transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace korvel {
namespace {

constexpr double kEps = 1e-9;

Viewport MakeViewport(int cw, int ch, WorldRect r)
{
    Viewport v;
    v.clientWidth = cw;
    v.clientHeight = ch;
    v.worldRect = r;
    v.SetView(nullptr, 0.0);
    return v;
}

void ExpectInvariant(const Viewport& v)
{
    EXPECT_NEAR(v.worldRect.maxX - v.worldRect.minX, v.scale * v.clientWidth, 1e-6 * v.Width() + kEps);
    EXPECT_NEAR(v.worldRect.maxY - v.worldRect.minY, v.scale * v.clientHeight, 1e-6 * v.Height() + kEps);
}

TEST(ViewportMapping, WorldToScreenTruncatesTowardZero)
{
    Viewport v;
    v.worldRect = WorldRect{0.0, 0.0, 100.0, 100.0};
    struct Row {
        const char* name;
        double wx, wy, s;
        int px, py;
    };
    const Row rows[] = {
        {"origin", 0.0, 100.0, 1.0, 0, 0},
        {"half rounds up", 0.5, 99.5, 1.0, 1, 1},
        {"just below half", 0.49, 99.51, 1.0, 0, 0},
        // -0.7 + 0.5 = -0.2 truncates to 0 (toward zero, not floor)
        {"small negative to zero", -0.7, 100.7, 1.0, 0, 0},
        {"negative", -1.6, 101.6, 1.0, -1, -1},
        {"scale 2", 10.0, 80.0, 2.0, 5, 10},
        {"printer scale", 10.0, 90.0, 0.25, 40, 40},
    };
    for (const Row& r : rows) {
        const QPoint p = v.WorldToScreen(WorldPoint{r.wx, r.wy}, r.s);
        EXPECT_EQ(p, QPoint(r.px, r.py)) << r.name;
    }
}

TEST(ViewportMapping, OutOfRangeBecomesMostNegative)
{
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(Viewport::RoundPixel(3e9), kMin);
    EXPECT_EQ(Viewport::RoundPixel(-3e9), kMin);
    EXPECT_EQ(Viewport::RoundPixel(std::numeric_limits<double>::quiet_NaN()), kMin);
    EXPECT_EQ(Viewport::RoundPixel(2147483646.4), 2147483646);
}

TEST(ViewportMapping, RectangleAndInverseMappings)
{
    Viewport v;
    v.worldRect = WorldRect{1000.0, 2000.0, 1400.0, 2300.0};
    v.scale = 2.0;
    const PixelRect box = v.WorldToScreen(WorldRect{1010.0, 2200.0, 1020.0, 2290.0}, 2.0);
    EXPECT_EQ(box, (PixelRect{5, 5, 10, 50}));

    const WorldPoint centre = v.PixelCentreToWorld(QPoint(0, 0));
    EXPECT_DOUBLE_EQ(centre.x, 1001.0);
    EXPECT_DOUBLE_EQ(centre.y, 2299.0);
    const WorldPoint corner = v.PixelCornerToWorld(QPoint(10, 20), 2.0);
    EXPECT_DOUBLE_EQ(corner.x, 1020.0);
    EXPECT_DOUBLE_EQ(corner.y, 2260.0);

    // A rectangle given with its corners swapped maps to the same world rectangle.
    const WorldRect w1 = v.PixelRectToWorld(PixelRect{10, 20, 30, 40});
    const WorldRect w2 = v.PixelRectToWorld(PixelRect{30, 40, 10, 20});
    EXPECT_EQ(w1, w2);
    EXPECT_EQ(w1, (WorldRect{1020.0, 2220.0, 1060.0, 2260.0}));
}

TEST(ViewportSetView, CentreHalfAndRecentre)
{
    Viewport v = MakeViewport(200, 100, WorldRect{0.0, 0.0, 200.0, 100.0});
    EXPECT_DOUBLE_EQ(v.scale, 1.0);

    const WorldPoint c{500.0, 500.0};
    v.SetView(&c, 50.0);  // square 100 x 100 into a 2:1 window: height limits
    EXPECT_DOUBLE_EQ(v.scale, 1.0);
    EXPECT_NEAR(v.worldRect.minX, 400.0, kEps);
    EXPECT_NEAR(v.worldRect.maxX, 600.0, kEps);
    EXPECT_NEAR(v.worldRect.minY, 450.0, kEps);
    EXPECT_NEAR(v.worldRect.maxY, 550.0, kEps);

    const WorldPoint c2{0.0, 0.0};
    v.SetView(&c2, 0.0);  // keeps size, re-centres
    EXPECT_DOUBLE_EQ(v.scale, 1.0);
    EXPECT_NEAR(v.Centre().x, 0.0, kEps);
    EXPECT_NEAR(v.Centre().y, 0.0, kEps);
    EXPECT_NEAR(v.Width(), 200.0, kEps);
    ExpectInvariant(v);
}

TEST(ViewportSetView, EmptyClientFallsBackToScaleOneAndKeepsTheRectangle)
{
    Viewport v;
    v.worldRect = WorldRect{-500.0, -500.0, 500.0, 500.0};
    v.scale = 7.0;
    v.SetView(nullptr, 0.0);
    EXPECT_DOUBLE_EQ(v.scale, 1.0);
    EXPECT_EQ(v.worldRect, (WorldRect{-500.0, -500.0, 500.0, 500.0}));
    // The first real size then fits the kept rectangle instead of a collapsed point.
    EXPECT_FALSE(v.Resize(100, 100));
    EXPECT_NEAR(v.scale, 10.0, kEps);
    EXPECT_NEAR(v.Width(), 1000.0, kEps);
}

TEST(ViewportSetView, ScaleFloor)
{
    Viewport v = MakeViewport(100, 100, WorldRect{0.0, 0.0, 1.0, 1.0});
    for (int i = 0; i < 40; ++i) v.ZoomIn(PixelRect{50, 50, 50, 50}, QPoint(50, 50));
    EXPECT_DOUBLE_EQ(v.scale, Viewport::kMinScale);
    EXPECT_NEAR(v.Width(), 100 * Viewport::kMinScale, 1e-15);
    const WorldPoint c{3.0, 4.0};
    v.SetView(&c, 1e-9);
    EXPECT_DOUBLE_EQ(v.scale, Viewport::kMinScale);
}

TEST(ViewportFit, ExtentsByCoordinateSystem)
{
    const double r = 6378137.0;
    const double merX = r * std::numbers::pi;
    const double merY = r * std::log(std::tan(std::numbers::pi / 4 + Viewport::kMaxMercatorLat * std::numbers::pi / 360));
    struct Row {
        const char* name;
        WorldRect bounds;
        int crs;
        WorldRect expectedContent;  // what must be visible (before the fit to the window)
    };
    const Row rows[] = {
        {"empty projected", WorldRect{}, 31467, WorldRect{-500.0, -500.0, 500.0, 500.0}},
        {"empty local", WorldRect{}, 0, WorldRect{-500.0, -500.0, 500.0, 500.0}},
        {"single point", WorldRect{3500000.0, 5500000.0, 3500000.0, 5500000.0}, 31467,
         WorldRect{3499500.0, 5499500.0, 3500500.0, 5500500.0}},
        {"horizontal line", WorldRect{0.0, 10.0, 100.0, 10.0}, 25832, WorldRect{-500.0, -490.0, 600.0, 510.0}},
        {"empty 4326", WorldRect{}, 4326, WorldRect{-180.0, -85.0511287798, 180.0, 85.0511287798}},
        {"empty 900913", WorldRect{}, 900913, WorldRect{-merX, -merY, merX, merY}},
        {"area gets a margin of 1/20 of the smaller side", WorldRect{0.0, 0.0, 400.0, 200.0}, 0,
         WorldRect{-10.0, -10.0, 410.0, 210.0}},
    };
    for (const Row& row : rows) {
        for (const QPoint size : {QPoint(300, 300), QPoint(400, 200), QPoint(200, 400)}) {
            Viewport v;
            v.clientWidth = size.x();
            v.clientHeight = size.y();
            v.FitBounds(row.bounds, row.crs);
            const WorldRect& e = row.expectedContent;
            const double ew = e.maxX - e.minX;
            const double eh = e.maxY - e.minY;
            const double tol = 1e-6 * std::max(ew, eh);
            SCOPED_TRACE(row.name);
            EXPECT_NEAR(v.scale, std::max(ew / size.x(), eh / size.y()), tol);
            EXPECT_NEAR(v.Centre().x, (e.minX + e.maxX) / 2, tol);
            EXPECT_NEAR(v.Centre().y, (e.minY + e.maxY) / 2, tol);
            EXPECT_LE(v.worldRect.minX, e.minX + tol);
            EXPECT_GE(v.worldRect.maxX, e.maxX - tol);
            EXPECT_LE(v.worldRect.minY, e.minY + tol);
            EXPECT_GE(v.worldRect.maxY, e.maxY - tol);
            ExpectInvariant(v);
        }
    }
}

TEST(ViewportResize, KeepsTheCentre)
{
    const QPoint sizes[] = {QPoint(200, 100), QPoint(800, 600), QPoint(300, 700), QPoint(1, 1), QPoint(1920, 1080)};
    Viewport v = MakeViewport(400, 300, WorldRect{1000.0, 2000.0, 1400.0, 2300.0});
    const WorldPoint c = v.Centre();
    for (const QPoint s : sizes) {
        EXPECT_FALSE(v.Resize(s.x(), s.y()));
        EXPECT_NEAR(v.Centre().x, c.x, 1e-9) << s.x() << "x" << s.y();
        EXPECT_NEAR(v.Centre().y, c.y, 1e-9) << s.x() << "x" << s.y();
        ExpectInvariant(v);
    }
}

TEST(ViewportResize, ScaleRule)
{
    // Shrinking in both directions: the smaller of the two ratios, so the view is cropped in
    // one direction only.
    Viewport v = MakeViewport(400, 400, WorldRect{0.0, 0.0, 400.0, 400.0});
    v.Resize(200, 100);
    EXPECT_DOUBLE_EQ(v.scale, 2.0);
    EXPECT_NEAR(v.Width(), 400.0, kEps);
    EXPECT_NEAR(v.Height(), 200.0, kEps);
    // Growing: the larger ratio, so the whole former rectangle stays visible.
    v.Resize(800, 800);
    EXPECT_DOUBLE_EQ(v.scale, 0.5);
    // A zero size is ignored, and a never-set rectangle asks for FitAll.
    EXPECT_FALSE(v.Resize(0, 300));
    EXPECT_EQ(v.clientWidth, 800);
    Viewport fresh;
    EXPECT_TRUE(fresh.Resize(640, 480));
}

TEST(ViewportZoom, ThreeClicksGiveTwoThirdsCubed)
{
    Viewport v = MakeViewport(300, 200, WorldRect{0.0, 0.0, 3000.0, 2000.0});
    const double w0 = v.Width();
    const double h0 = v.Height();
    for (int i = 0; i < 3; ++i) v.ZoomIn(PixelRect{100, 50, 100, 50}, QPoint(100, 50));
    EXPECT_NEAR(v.Width() / w0, 8.0 / 27.0, 1e-12);
    EXPECT_NEAR(v.Height() / h0, 8.0 / 27.0, 1e-12);
}

TEST(ViewportZoom, OnePixelDragsAreClicks)
{
    const WorldRect start{0.0, 0.0, 300.0, 200.0};
    const PixelRect drags[] = {{100, 50, 101, 50}, {100, 50, 100, 51}, {100, 50, 101, 51}, {100, 50, 102, 51}, {100, 50, 101, 52}};
    for (const PixelRect& d : drags) {
        Viewport in = MakeViewport(300, 200, start);
        in.ZoomIn(d, QPoint(100, 50));
        EXPECT_NEAR(in.Width(), 200.0, 1e-9);
        EXPECT_NEAR(in.Centre().x, 100.5, 1e-9);
        EXPECT_NEAR(in.Centre().y, 149.5, 1e-9);
        Viewport out = MakeViewport(300, 200, start);
        out.ZoomOut(d, QPoint(100, 50));
        EXPECT_NEAR(out.Width(), 450.0, 1e-9);
        EXPECT_NEAR(out.Centre().x, 100.5, 1e-9);
    }
}

TEST(ViewportZoom, Rectangles)
{
    const WorldRect start{0.0, 0.0, 300.0, 200.0};
    Viewport in = MakeViewport(300, 200, start);
    in.ZoomIn(PixelRect{30, 20, 90, 60}, QPoint(30, 20));  // 60 x 40 pixels, same aspect
    EXPECT_NEAR(in.worldRect.minX, 30.0, 1e-9);
    EXPECT_NEAR(in.worldRect.maxX, 90.0, 1e-9);
    EXPECT_NEAR(in.worldRect.maxY, 180.0, 1e-9);
    EXPECT_NEAR(in.worldRect.minY, 140.0, 1e-9);

    Viewport small = MakeViewport(300, 200, start);
    small.ZoomOut(PixelRect{10, 10, 13, 12}, QPoint(10, 10));  // 3 x 2 pixels
    EXPECT_NEAR(small.Width(), 600.0 - 3.0, 1e-9);
    EXPECT_NEAR(small.Centre().x, 150.0, 1e-9);
    EXPECT_NEAR(small.Centre().y, 100.0, 1e-9);

    Viewport whole = MakeViewport(300, 200, start);
    whole.ZoomOut(PixelRect{0, 0, 300, 200}, QPoint(0, 0));
    EXPECT_NEAR(whole.Width(), 300.0, 1e-9);
}

TEST(ViewportPan, PanThenClickZoomsByExactlyOnePointFive)
{
    Viewport v = MakeViewport(400, 300, WorldRect{0.0, 0.0, 800.0, 600.0});
    const double w = v.Width();
    const double h = v.Height();
    v.Pan(QPoint(50, 50), QPoint(150, 100));  // drag by (+100, +50): the map follows the mouse
    EXPECT_DOUBLE_EQ(v.worldRect.minX, -200.0);
    EXPECT_DOUBLE_EQ(v.worldRect.maxY, 700.0);
    EXPECT_DOUBLE_EQ(v.Width(), w);
    EXPECT_DOUBLE_EQ(v.Height(), h);
    const WorldPoint clicked = v.PixelCentreToWorld(QPoint(200, 150));
    v.ZoomIn(PixelRect{200, 150, 200, 150}, QPoint(200, 150));
    EXPECT_NEAR(w / v.Width(), 1.5, 1e-12);
    EXPECT_NEAR(h / v.Height(), 1.5, 1e-12);
    EXPECT_NEAR(v.Centre().x, clicked.x, 1e-9);
    EXPECT_NEAR(v.Centre().y, clicked.y, 1e-9);
}

TEST(ViewportWheel, InAndOutReturnsToTheSameExtents)
{
    Viewport v = MakeViewport(640, 480, WorldRect{3500000.0, 5500000.0, 3506400.0, 5504800.0});
    const double w = v.Width();
    const double h = v.Height();
    EXPECT_FALSE(v.Wheel(0, QPoint(10, 10)));
    const WorldPoint under = v.PixelCentreToWorld(QPoint(100, 400));
    EXPECT_TRUE(v.Wheel(120, QPoint(100, 400)));
    EXPECT_NEAR(v.Centre().x, under.x, 1e-6);
    EXPECT_NEAR(v.Centre().y, under.y, 1e-6);
    EXPECT_NEAR(w / v.Width(), 1.2, 1e-9);
    for (int i = 0; i < 9; ++i) v.Wheel(1, QPoint(600, 30));
    for (int i = 0; i < 10; ++i) v.Wheel(-480, QPoint(17, 200));
    EXPECT_NEAR(v.Width(), w, 1e-6 * w);
    EXPECT_NEAR(v.Height(), h, 1e-6 * h);
}

TEST(ViewportPrint, ScaleFromPrintableArea)
{
    Viewport v = MakeViewport(800, 600, WorldRect{0.0, 0.0, 1600.0, 1200.0});
    ASSERT_DOUBLE_EQ(v.scale, 2.0);
    EXPECT_DOUBLE_EQ(v.PrintScaleFor(4800, 6800), 2.0 / 6.0);  // width-limited: factor 6
    EXPECT_DOUBLE_EQ(v.PrintScaleFor(6800, 4800), 2.0 / 8.0);  // height-limited: factor 8
    // The same world area lands at the top-left of the page.
    const double ps = v.PrintScaleFor(4800, 6800);
    EXPECT_EQ(v.WorldToScreen(WorldPoint{1600.0, 0.0}, ps), QPoint(4800, 3600));
}

}  // namespace
}  // namespace korvel
