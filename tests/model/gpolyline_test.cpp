// Rings, polylines and polygons: growth, measures, hit distance, inside test, attributes and
// drawing.
#include "model/gpolyline.h"
#include "support/recordingcanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>

namespace korvel {
namespace {

using test::Join;

std::unique_ptr<GRing> Ring(std::initializer_list<WorldPoint> pts)
{
    auto r = std::make_unique<GRing>(int32_t(pts.size()));
    for (const WorldPoint& p : pts) r->Add(p);
    return r;
}

template <class T>
std::unique_ptr<T> Shape(std::initializer_list<std::initializer_list<WorldPoint>> rings)
{
    auto s = std::make_unique<T>();
    for (auto r : rings) s->AddRing(Ring(r).release());
    s->CalcBounds();
    return s;
}

TEST(GRingTest, GrowthAndReserve)
{
    GRing r;
    EXPECT_EQ(r.m_nCapacity, 3);
    EXPECT_EQ(r.m_nGrowBy, 10);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(r.Add({double(i), 0}));
    EXPECT_EQ(r.m_nCapacity, 13);  // full at 3, grown by 10
    EXPECT_EQ(GRing(0).m_nCapacity, 1);
    EXPECT_EQ(GRing(-5).m_nCapacity, 1);

    ASSERT_TRUE(r.Reserve(100, 0));
    EXPECT_EQ(r.m_nGrowBy, 1);
    EXPECT_EQ(r.m_nCapacity, 100);
    ASSERT_TRUE(r.Reserve(50, 20));  // never shrinks
    EXPECT_EQ(r.m_nCapacity, 100);
    EXPECT_EQ(r.m_nCount, 4);
    EXPECT_EQ(r.Points()[3], (WorldPoint{3, 0}));

    GRing broken(1);
    std::free(broken.m_pPoints);  // a ring whose first allocation failed
    broken.m_pPoints = nullptr;
    broken.m_nCapacity = 0;
    EXPECT_FALSE(broken.Add({1, 1}));
    EXPECT_FALSE(broken.Reserve(10, 5));
    EXPECT_EQ(broken.m_nGrowBy, 5);
    EXPECT_TRUE(broken.Reverse());
    std::unique_ptr<GClone> c(broken.Clone());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(static_cast<GRing*>(c.get())->m_nCapacity, 0);
}

TEST(GRingTest, ACountBeyondTheArrayIsNeverRead)
{
    GRing r(3);
    r.Add({0, 0});
    r.Add({0, 10});
    r.Add({10, 10});
    r.m_nCount = 1000;  // as a careless reader might leave it
    EXPECT_EQ(r.Points().size(), 3u);
    EXPECT_DOUBLE_EQ(r.ClosedLength(), 10 + 10 + std::sqrt(200.0));
    EXPECT_TRUE(r.Reverse());
    std::unique_ptr<GClone> c(r.Clone());
    EXPECT_EQ(static_cast<GRing*>(c.get())->m_nCount, 3);
    GObList empty;
    EXPECT_EQ(empty.RemoveHead(), nullptr);
    EXPECT_EQ(empty.RemoveTail(), nullptr);
}

TEST(GRingTest, Measures)
{
    struct Row {
        const char* what;
        std::initializer_list<WorldPoint> pts;
        double open, closed, area;
    } rows[] = {
        {"empty", {}, 0, 0, 0},
        {"one vertex", {{5, 5}}, 0, 0, 0},
        {"two vertices", {{0, 0}, {3, 4}}, 5, 10, 0},
        {"clockwise square", {{0, 0}, {0, 10}, {10, 10}, {10, 0}}, 30, 40, 100},
        {"counter-clockwise square", {{10, 0}, {10, 10}, {0, 10}, {0, 0}}, 30, 40, -100},
        {"triangle", {{0, 0}, {0, 3}, {4, 0}}, 8, 12, 6},
    };
    for (const Row& r : rows) {
        auto ring = Ring(r.pts);
        EXPECT_DOUBLE_EQ(ring->OpenLength(), r.open) << r.what;
        EXPECT_DOUBLE_EQ(ring->ClosedLength(), r.closed) << r.what;
        EXPECT_DOUBLE_EQ(ring->SignedArea(), r.area) << r.what;
        ASSERT_TRUE(ring->Reverse());
        EXPECT_DOUBLE_EQ(ring->SignedArea(), -r.area) << r.what;
    }
}

TEST(GRingTest, CloneCopiesCapacityGrowthAndVertices)
{
    auto r = Ring({{1, 2}, {3, 4}});
    r->Reserve(40, 7);
    auto* target = new GRing;
    std::unique_ptr<GClone> c(r->Clone(target));
    ASSERT_EQ(c.get(), target);
    EXPECT_EQ(target->m_nCapacity, 40);
    EXPECT_EQ(target->m_nGrowBy, 7);
    ASSERT_EQ(target->m_nCount, 2);
    EXPECT_EQ(target->Points()[1], (WorldPoint{3, 4}));
    EXPECT_EQ(r->Clone(new GPolyline), nullptr);
}

TEST(GPolylineTest, DefaultsBoundsAndClone)
{
    GPolyline line;
    EXPECT_EQ(line.m_crColor, 0x00E22B8Au);
    EXPECT_EQ(line.m_nPenWidth, 3);
    EXPECT_EQ(GPolygon().m_crColor, 0x00FF0000u);
    EXPECT_EQ(line.RingCount(), 0u);

    auto single = Shape<GPolyline>({{{7, 8}}});
    EXPECT_EQ(single->m_rcBounds, (WorldRect{7, 8, 7, 8}));
    EXPECT_EQ(single->m_ptPos, (WorldPoint{7, 8}));

    auto poly = Shape<GPolygon>({{{0, 2}, {4, 2}, {4, 6}}, {{-1, -1}, {1, -1}, {1, 1}}});
    EXPECT_EQ(poly->m_rcBounds, (WorldRect{-1, -1, 4, 6}));
    EXPECT_EQ(poly->m_ptPos, (WorldPoint{1.5, 2.5}));
    poly->m_nPenWidth = 7;
    poly->m_nPenStyle = PS_DASH;
    poly->m_wFlags = GF_SELECTED;
    std::unique_ptr<GClone> c(poly->Clone());
    auto* copy = dynamic_cast<GPolygon*>(c.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->m_nPenWidth, 3);  // pen is not copied
    EXPECT_EQ(copy->m_nPenStyle, PS_SOLID);
    EXPECT_TRUE(copy->IsSelected());
    ASSERT_EQ(copy->RingCount(), 2u);
    EXPECT_NE(copy->m_pRings.get(), poly->m_pRings.get());
    EXPECT_EQ(GPolyline::RingAt(copy->m_pRings->GetTailPosition())->Points()[2], (WorldPoint{1, 1}));
    EXPECT_EQ(copy->GetType(), GT_POLYGON);
}

TEST(GPolylineTest, DistanceUsesPerpendicularFeetOnly)
{
    auto vertical = Shape<GPolyline>({{{5, 0}, {5, 10}}});
    auto horizontal = Shape<GPolyline>({{{0, 5}, {10, 5}}});
    auto diagonal = Shape<GPolyline>({{{0, 0}, {10, 10}}});
    auto open = Shape<GPolyline>({{{0, 0}, {10, 0}, {10, 10}}});
    auto degenerate = Shape<GPolyline>({{{3, 3}, {3, 3}}});
    struct Row {
        const char* what;
        const GPolyline* line;
        WorldPoint q;
        double d;
    } rows[] = {
        {"vertical", vertical.get(), {8, 4}, 3},
        {"vertical beyond the end", vertical.get(), {8, 11}, GPolyline::kFar},
        {"horizontal", horizontal.get(), {2, 1}, 4},
        {"horizontal at the end", horizontal.get(), {10, 9}, 4},
        {"diagonal", diagonal.get(), {0, 10}, std::sqrt(50.0)},
        {"diagonal beyond", diagonal.get(), {-1, -3}, GPolyline::kFar},
        {"open end is no candidate", open.get(), {15, 15}, GPolyline::kFar},
        {"nearest of two segments", open.get(), {9, 1}, 1},
        {"identical vertices", degenerate.get(), {6, 7}, 5},
        {"no rings", Shape<GPolyline>({}).release(), {0, 0}, GPolyline::kFar},
    };
    for (const Row& r : rows) {
        EXPECT_NEAR(r.line->Distance(r.q), r.d, 1e-9) << r.what;
        if (r.line->RingCount() == 0) delete r.line;
    }
}

TEST(GPolygonTest, InsideTestAndDistance)
{
    auto square = Shape<GPolygon>({{{0, 0}, {0, 10}, {10, 10}, {10, 0}}});
    auto closedSquare = Shape<GPolygon>({{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}});
    auto withHole = Shape<GPolygon>({{{0, 0}, {0, 10}, {10, 10}, {10, 0}}, {{4, 4}, {6, 4}, {6, 6}, {4, 6}}});
    auto twoVertexRing = Shape<GPolygon>({{{0, 0}, {0, 10}, {10, 10}, {10, 0}}, {{20, 20}, {30, 30}}});
    struct Row {
        const char* what;
        const GPolygon* poly;
        WorldPoint q;
        bool inside;
        double d;
    } rows[] = {
        {"inside", square.get(), {3, 5}, true, 0},
        {"outside left", square.get(), {-2, 5}, false, 2},
        {"outside right", square.get(), {13, 5}, false, 3},
        {"closing edge first", square.get(), {5, -1}, false, 1},
        {"repeated closing vertex", closedSquare.get(), {3, 5}, true, 0},
        {"repeated closing vertex outside", closedSquare.get(), {12, 5}, false, 2},
        {"in the hole", withHole.get(), {5, 5}, false, 1},
        {"between hole and rim", withHole.get(), {2, 5}, true, 0},
        {"a two-vertex ring makes all outside", twoVertexRing.get(), {3, 5}, false, 3},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.poly->IsInside(r.q), r.inside) << r.what;
        EXPECT_NEAR(r.poly->Distance(r.q), r.d, 1e-9) << r.what;
    }
}

TEST(GPolygonTest, AttributesInDocumentUnitsAndInUtmForWebMercator)
{
    auto poly = Shape<GPolygon>({{{500000, 5000000}, {500000, 5000100}, {500100, 5000100}, {500100, 5000000}}});
    poly->UpdateInfo(25832);
    EXPECT_EQ(poly->FindInfo("UMFANG")->Value(), "400.000");
    EXPECT_EQ(poly->FindInfo("UMFANG")->Format(), 0x0310);
    EXPECT_EQ(poly->FindInfo("FLAECHE")->Value(), "1.0000");
    EXPECT_EQ(poly->FindInfo("FLAECHE")->Format(), 0x0410);

    auto holes = Shape<GPolygon>({{{0, 0}, {0, 100}, {100, 100}, {100, 0}}, {{10, 10}, {20, 10}, {20, 20}, {10, 20}}});
    holes->UpdateInfo(31467);
    EXPECT_EQ(holes->FindInfo("FLAECHE")->Value(), "0.9900");  // the counter-clockwise hole subtracts
    EXPECT_EQ(holes->FindInfo("UMFANG")->Value(), "440.000");

    auto line = Shape<GPolyline>({{{0, 0}, {3, 4}, {3, 10}}, {{1, 1}, {1, 2}}});
    line->UpdateInfo(900913);  // lengths stay in document units whatever the system
    EXPECT_EQ(line->FindInfo("LAENGE")->Value(), "12.000");
    EXPECT_EQ(line->FindInfo("LAENGE")->Format(), 0x0310);

    // A 1 km web-mercator square at 50 degrees north covers only cos(50)^2 of that in UTM.
    const double y50 = 6446275.841017158;  // web-mercator northing of 50 degrees
    auto merc = Shape<GPolygon>({{{1000000, y50}, {1000000, y50 + 1000}, {1001000, y50 + 1000}, {1001000, y50}}});
    const WorldRect before = merc->m_rcBounds;
    merc->UpdateInfo(900913);
    const double ha = merc->FindInfo("FLAECHE")->Value().toDouble();
    EXPECT_NEAR(ha, 100.0 * std::pow(std::cos(50.0 * M_PI / 180.0), 2), 0.3);
    EXPECT_NEAR(merc->FindInfo("UMFANG")->Value().toDouble(), 4000.0 * std::cos(50.0 * M_PI / 180.0), 5.0);
    EXPECT_EQ(merc->m_rcBounds, before);  // measured on a copy
}

TEST(GPolylineTest, TransformStopsAtTheFirstFailure)
{
    auto line = Shape<GPolyline>({{{1, 1}, {2, 2}, {3, 3}}});
    int calls = 0;
    static int* s_calls;
    s_calls = &calls;
    auto failThird = [](WorldPoint* p, CoordTransform*) {
        if (++*s_calls == 3) return false;
        p->x += 100;
        return true;
    };
    CoordTransform ct;
    EXPECT_FALSE(line->Transform(failThird, &ct));
    const auto pts = GPolyline::RingAt(line->m_pRings->GetHeadPosition())->Points();
    EXPECT_EQ(pts[0].x, 101);  // converted before the failure
    EXPECT_EQ(pts[1].x, 2);
    EXPECT_EQ(line->m_ptPos.x, 102);
}

TEST(GPolylineTest, ScreenRectGrowsWithThePen)
{
    ViewTransform vt;
    vt.y0 = 100;
    auto line = Shape<GPolyline>({{{10, 80}, {20, 90}}});
    PixelRect r;
    line->AddScreenRect(vt, r);
    EXPECT_EQ(r, (PixelRect{8, 8, 22, 22}));  // width 3: 2 pixels beyond the GObj rectangle
    line->m_nPenWidth = 0;
    r = PixelRect{};
    line->AddScreenRect(vt, r);
    EXPECT_EQ(r, (PixelRect{9, 9, 21, 21}));
}

TEST(GPolylineTest, DrawsEachRingOpenWithThePen)
{
    ViewTransform vt;
    vt.y0 = 100;
    vt.printScale = 0.5;
    auto line = Shape<GPolyline>({{{10, 90}, {20, 80}}, {}, {{30, 70}}});
    line->m_nPenStyle = PS_DOT;
    test::RecordingView view(vt);
    line->Draw(view, nullptr, {});
    EXPECT_EQ(Join(view.m_canvas.Calls()), "Pen 2 3 0xe22b8a; Polyline 10 10 20 20; Polyline 30 30; Pen 0 0 0x0");

    line->m_wFlags = GF_SELECTED;
    test::RecordingCanvas printer(true);
    line->Draw(view, &printer, {});
    EXPECT_EQ(Join(printer.Calls()), "Pen 2 3 0xffff; Polyline 20 20 40 40; Polyline 60 60; Pen 0 0 0x0");

    GPolyline empty;
    empty.Draw(view, &printer, {});
    empty.m_pRings = std::make_unique<GObList>();
    printer.Clear();
    empty.Draw(view, &printer, {});
    EXPECT_TRUE(printer.Calls().isEmpty());
}

TEST(GPolygonTest, DrawsHatchedWithEvenOddForSeveralRings)
{
    ViewTransform vt;
    vt.y0 = 100;
    test::RecordingView view(vt);
    auto one = Shape<GPolygon>({{{0, 100}, {0, 90}, {10, 90}}});
    one->Draw(view, nullptr, {});
    EXPECT_EQ(Join(view.m_canvas.Calls()),
              "BkMode transparent; Pen 0 3 0xff0000; Brush bdiagonal 0xff0000; Polygon 0 0 0 10 10 10; "
              "Pen 0 0 0x0; Brush null 0x0");

    view.m_canvas.Clear();
    auto two = Shape<GPolygon>({{{0, 100}, {0, 90}, {10, 90}, {10, 100}}, {}, {{2, 98}, {4, 98}, {4, 96}}});
    two->m_wFlags = GF_SELECTED;
    two->Draw(view, nullptr, {});
    EXPECT_EQ(Join(view.m_canvas.Calls()),
              "BkMode transparent; Pen 0 3 0xffff; Brush bdiagonal 0xffff; "
              "PolyPolygon 4 3 | 0 0 0 10 10 10 10 0 2 2 4 2 4 4; Pen 0 0 0x0; Brush null 0x0");
}

TEST(GPolylineTest, RingListsFromForeignStreamsAreSkippedSafely)
{
    GPolygon poly;
    poly.m_pRings = std::make_unique<GObList>();
    poly.m_pRings->AddTail(new GInfo("not", "a ring"));
    poly.m_pRings->AddTail(Ring({{0, 0}, {0, 10}, {10, 10}, {10, 0}}).release());
    poly.CalcBounds();
    EXPECT_EQ(poly.m_rcBounds, (WorldRect{0, 0, 10, 10}));
    EXPECT_TRUE(poly.IsInside({5, 5}));
    poly.UpdateInfo(25832);
    EXPECT_EQ(poly.FindInfo("UMFANG")->Value(), "40.000");
    ViewTransform vt;
    vt.y0 = 100;
    test::RecordingView view(vt);
    poly.Draw(view, nullptr, {});
    EXPECT_EQ(view.m_canvas.CallsStartingWith("Poly").join(";").toStdString(), "Polygon 0 100 0 90 10 90 10 100");
}

}  // namespace
}  // namespace korvel
