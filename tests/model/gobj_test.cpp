// Map objects: pixel mapping, rotation, attributes, copying, comparison, computed attributes,
// run-time classes and the exact pixel geometry of points, handles and markers.
#include "model/gfindpt.h"
#include "model/ggpspos.h"
#include "model/goblist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/gring.h"
#include "model/gtext.h"
#include "model/glist.h"
#include "model/modelclasses.h"
#include "support/recordingcanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>

namespace korvel {
namespace {

using test::RecordingCanvas;
using test::RecordingView;
using test::Join;

// x0 = 0, y0 = 100: world (x, y) lands on pixel (x, 100 - y) at scale 1.
ViewTransform View(double scale = 1.0, double printScale = 1.0)
{
    ViewTransform vt;
    vt.x0 = 0.0;
    vt.y0 = 100.0;
    vt.scale = scale;
    vt.printScale = printScale;
    return vt;
}

TEST(ViewTransformTest, MapsWithTruncationTowardZero)
{
    const ViewTransform vt = View();
    struct Row {
        double x, y;
        int32_t px, py;
    } rows[] = {
        {10.0, 90.0, 10, 10},
        {10.49, 89.51, 10, 10},
        {10.5, 89.5, 11, 11},
        {-10.7, 110.7, -10, -10},  // trunc(-10.2): toward zero, not floor
        {-0.4, 100.4, 0, 0},
        {1e12, -1e12, INT32_MIN, INT32_MIN},  // beyond 32 bits
        {std::numeric_limits<double>::quiet_NaN(), 0.0, INT32_MIN, 100},
    };
    for (const Row& r : rows) {
        const PixelPoint p = vt.ToScreen(WorldPoint{r.x, r.y});
        EXPECT_EQ(p.x, r.px) << r.x;
        EXPECT_EQ(p.y, r.py) << r.y;
    }
    EXPECT_EQ(vt.ToScreen(WorldRect{10, 80, 20, 90}), (PixelRect{10, 10, 20, 20}));
    EXPECT_EQ(View(2.0).ToScreen(WorldPoint{21, 79}), (PixelPoint{11, 11}));
}

TEST(PixelRectTest, UnionIgnoresRectanglesWithoutArea)
{
    EXPECT_EQ(UnitePixelRects({0, 0, 5, 5}, {3, 3, 10, 8}), (PixelRect{0, 0, 10, 8}));
    EXPECT_EQ(UnitePixelRects({0, 0, 0, 5}, {3, 3, 10, 8}), (PixelRect{3, 3, 10, 8}));
    EXPECT_EQ(UnitePixelRects({3, 3, 10, 8}, {7, 7, 7, 7}), (PixelRect{3, 3, 10, 8}));
    EXPECT_EQ(UnitePixelRects({1, 1, 1, 9}, {7, 7, 7, 7}), (PixelRect{}));
    EXPECT_EQ(IntersectPixelRects({0, 0, 10, 10}, {5, 5, 20, 20}), (PixelRect{5, 5, 10, 10}));
    EXPECT_EQ(IntersectPixelRects({0, 0, 10, 10}, {10, 0, 20, 10}), (PixelRect{}));
}

TEST(RotatePointTest, TurnsCounterClockwiseOnScreen)
{
    const double pi = std::numbers::pi;
    struct Row {
        PixelPoint p, c;
        double angle, k;
        PixelPoint expected;
    } rows[] = {
        {{10, 0}, {0, 0}, 0.0, 1.0, {10, 0}},
        {{0, -10}, {0, 0}, pi / 2, 1.0, {-10, 0}},  // up turns to the left
        {{0, -10}, {0, 0}, -pi / 2, 1.0, {10, 0}},
        {{3, 4}, {1, 1}, pi, 1.0, {-1, -2}},
        {{1, 0}, {0, 0}, 0.0, 2.0, {2, 0}},
        {{5, 5}, {5, 5}, 1.0, 1.0, {5, 5}},
        {{10, 0}, {0, 0}, pi / 4, 1.0, {7, -7}},  // 7.07 rounds to 7, -7.07 to -7
    };
    for (const Row& r : rows) EXPECT_EQ(RotatePoint(r.p, r.c, r.angle, r.k), r.expected) << r.angle;
}

TEST(GInfoTest, SetInfoReplacesIgnoringCaseAndKeepsTheStoredName)
{
    GPoint p;
    EXPECT_FALSE(p.HasInfoTable());
    EXPECT_EQ(p.FindInfo("RECHTS"), nullptr);
    ASSERT_TRUE(p.SetInfo("RECHTS", "1.000", 0x0310));
    ASSERT_TRUE(p.SetInfo("PTNR", "17"));
    ASSERT_TRUE(p.SetInfo("rechts", "2.000000", 0x0610));
    ASSERT_EQ(p.Infos().size(), 2u);
    const GInfoItem* r = p.FindInfo("Rechts");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Name(), "RECHTS");
    EXPECT_EQ(r->Value(), "2.000000");
    EXPECT_EQ(r->Format(), 0x0610);
    EXPECT_EQ(p.Infos()[1].Name(), "PTNR");
    EXPECT_EQ(p.Infos()[1].Format(), INFO_TEXT);
}

TEST(GInfoTest, AddInfosAppendsDuplicatesInOrder)
{
    GObList list;
    list.AddTail(new GInfo("Name", "Weg", 0xFF14));
    list.AddTail(new GInfo("NAME", "Pfad"));
    list.AddTail(new GRing);  // not an attribute: skipped
    GPoint p;
    p.SetInfo("PTNR", "1");
    ASSERT_TRUE(p.AddInfos(list));
    ASSERT_EQ(p.Infos().size(), 3u);
    EXPECT_EQ(p.Infos()[1].Name(), "Name");
    EXPECT_EQ(p.Infos()[1].Format(), 0xFF14);
    EXPECT_EQ(p.Infos()[2].Name(), "NAME");
    EXPECT_EQ(p.FindInfo("name")->Value(), "Weg");  // the first one wins

    // Copying an object's own attributes onto itself doubles them.
    ASSERT_TRUE(p.AddInfos(p.Infos()));
    ASSERT_EQ(p.Infos().size(), 6u);
    EXPECT_EQ(p.Infos()[5].Value(), "Pfad");

    GPoint q;
    ASSERT_TRUE(q.AddInfos(p.Infos()));
    EXPECT_EQ(q.Infos().size(), 6u);
}

TEST(GInfoTest, SetInfoTableKeepsDuplicatesAndRejectsForeignElements)
{
    GPoint p;
    p.SetInfo("A", "1");
    GObList bad;
    bad.AddTail(new GInfo("X", "1"));
    bad.AddTail(new GPoint);
    EXPECT_FALSE(p.SetInfoTable(bad));
    ASSERT_EQ(p.Infos().size(), 1u);
    EXPECT_EQ(p.Infos()[0].Name(), "A");

    GObList empty;
    ASSERT_TRUE(p.SetInfoTable(empty));
    EXPECT_TRUE(p.HasInfoTable());  // present but empty, as a stored empty list reads back
    EXPECT_TRUE(p.Infos().empty());

    GObList dup;
    dup.AddTail(new GInfo("X", "1", 1));
    dup.AddTail(new GInfo("x", "2", 2));
    ASSERT_TRUE(p.SetInfoTable(dup));
    ASSERT_EQ(p.Infos().size(), 2u);
    EXPECT_EQ(p.Infos()[1].Name(), "x");
    EXPECT_EQ(p.Infos()[1].Value(), "2");
}

TEST(GInfoTest, WideTablesGrowAndKeepEveryValue)
{
    GObj o;
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(o.SetInfo(QStringLiteral("F%1").arg(i), QString::number(i * 7)));
    ASSERT_EQ(o.Infos().size(), 300u);
    for (int i = 0; i < 300; i += 37) EXPECT_EQ(o.FindInfo(QStringLiteral("f%1").arg(i))->Value(), QString::number(i * 7));
    // Names are shared between objects: the same name gives the same buffer.
    GObj other;
    other.SetInfo("F5", "x");
    EXPECT_EQ(other.Infos()[0].Name().constData(), o.FindInfo("F5")->Name().constData());
}

TEST(GInfoTest, ReplacingValuesOfEveryLengthKeepsTheOthers)
{
    GPoint p;
    ASSERT_TRUE(p.SetInfo("PTNR", "12"));
    ASSERT_TRUE(p.SetInfo("RECHTS", "3512345.123", 0x0310));
    ASSERT_TRUE(p.SetInfo("HOCH", "5412345.125", 0x0310));
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80 Gr\xC3\xBC\xC3\x9F");
    const char* steps[][2] = {
        {"RECHTS", "1.5"},                      // shorter: in place
        {"RECHTS", "32512345.123456"},          // longer: the block is rebuilt
        {"PTNR", ""},                           // empty
        {"PTNR", "A-1000-Nord-Ost-West-Sued"},  // longer again
        {"HOCH", "x"},
    };
    QString expected[3] = {"12", "3512345.123", "5412345.125"};
    const char* names[3] = {"PTNR", "RECHTS", "HOCH"};
    for (const auto& st : steps) {
        ASSERT_TRUE(p.SetInfo(st[0], st[1], 7));
        for (int i = 0; i < 3; ++i)
            if (QString(names[i]) == st[0]) expected[i] = st[1];
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(p.Infos()[i].Name(), names[i]);
            EXPECT_EQ(p.Infos()[i].Value(), expected[i]) << st[0] << "=" << st[1];
        }
    }
    ASSERT_TRUE(p.SetInfo("NAME", emoji));
    EXPECT_EQ(p.FindInfo("name")->Value(), emoji);
    EXPECT_EQ(p.FindInfo("name")->ValueView(), emoji);
    EXPECT_EQ(p.FindInfo("PTNR")->Format(), 7);
}

TEST(GInfoTest, InfoCloneCopiesEverything)
{
    GInfo a("PTNR", "12", 0xFF0A);
    std::unique_ptr<GClone> c(a.Clone());
    auto* b = dynamic_cast<GInfo*>(c.get());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->m_strName, "PTNR");
    EXPECT_EQ(b->m_strValue, "12");
    EXPECT_EQ(b->m_wFormat, 0xFF0A);
    EXPECT_EQ(GClone().Clone(nullptr), nullptr);
}

TEST(GObjTest, CloneCopiesSelectionAndAttributesButNotTheParent)
{
    GList parent;
    auto* p = new GPoint(WorldPoint{3, 4});
    ASSERT_TRUE(parent.AddTail(p));
    p->m_wFlags = GF_SELECTED;
    p->m_crColor = 0x123456;
    p->SetInfo("PTNR", "7");
    std::unique_ptr<GClone> c(p->Clone());
    auto* q = dynamic_cast<GPoint*>(c.get());
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->m_pParent, nullptr);
    EXPECT_EQ(q->ListNode(), nullptr);
    EXPECT_TRUE(q->IsSelected());
    EXPECT_EQ(q->m_crColor, 0x123456u);
    EXPECT_EQ(q->m_ptPos, (WorldPoint{3, 4}));
    EXPECT_EQ(q->m_rcBounds, (WorldRect{3, 4, 3, 4}));
    ASSERT_NE(q->FindInfo("ptnr"), nullptr);
    q->SetInfo("PTNR", "8");
    EXPECT_EQ(p->FindInfo("PTNR")->Value(), "7");  // a deep copy

    // Into a given target of the right class; a target of another class is deleted.
    auto* target = new GPoint;
    target->SetInfo("OLD", "x");
    std::unique_ptr<GClone> into(p->Clone(target));
    ASSERT_EQ(into.get(), target);
    EXPECT_EQ(target->FindInfo("OLD"), nullptr);
    EXPECT_EQ(p->Clone(new GRing), nullptr);
}

TEST(GObjTest, MarkerCopiesLoseTheirOwnFields)
{
    GFindPt f;
    f.SetPos(WorldPoint{10, 20}, "A12");
    EXPECT_EQ(f.m_rcBounds, (WorldRect{-25, -15, 45, 55}));
    std::unique_ptr<GClone> fc(f.Clone());
    EXPECT_TRUE(static_cast<GFindPt*>(fc.get())->m_strText.isEmpty());
    EXPECT_EQ(static_cast<GFindPt*>(fc.get())->m_rcBounds, f.m_rcBounds);

    GGpsPos g;
    g.m_dHeading = 1.5;
    std::unique_ptr<GClone> gc(g.Clone());
    EXPECT_EQ(static_cast<GGpsPos*>(gc.get())->m_dHeading, 0.0);
    EXPECT_EQ(static_cast<GGpsPos*>(gc.get())->m_crColor, 0x000000FFu);
}

TEST(GObjTest, IsEqualTestsOnlyTheFlagsGiven)
{
    GPoint a(WorldPoint{1, 2});
    GPoint b(WorldPoint{1, 2});
    GPoint c(WorldPoint{1, 2.0000001});
    GPolyline line;
    GPolygon poly;
    struct Row {
        const GObj* x;
        const GObj* y;
        uint32_t flags;
        bool equal;
    } rows[] = {
        {&a, &line, 0, true},
        {&line, &poly, 0, true},
        {&line, &poly, EQ_TYPE, false},
        {&a, &b, EQ_TYPE | EQ_POS, true},
        {&a, &c, EQ_TYPE, true},
        {&a, &c, EQ_POS, false},
    };
    for (const Row& r : rows) EXPECT_EQ(r.x->IsEqual(*r.y, r.flags), r.equal) << r.flags;
}

TEST(GObjTest, DistanceAndTransformOfTheReferencePoint)
{
    GObj o;
    o.m_ptPos = WorldPoint{1, 1};
    EXPECT_DOUBLE_EQ(o.Distance(WorldPoint{4, 5}), 5.0);
    CoordTransform ct{1, 0, 0};
    auto shift = [](WorldPoint* p, CoordTransform*) {
        p->x += 10;
        return true;
    };
    auto fail = [](WorldPoint*, CoordTransform*) { return false; };
    EXPECT_TRUE(o.Transform(shift, &ct));
    EXPECT_EQ(o.m_ptPos, (WorldPoint{11, 1}));
    EXPECT_FALSE(o.Transform(fail, &ct));
    o.CalcBounds();
    EXPECT_EQ(o.m_rcBounds, (WorldRect{11, 1, 11, 1}));
}

TEST(GPointTest, UpdateInfoChoosesDecimalsByCoordinateSystem)
{
    struct Row {
        int32_t crs;
        double x, y;
        const char* rechts;
        const char* hoch;
        uint16_t format;
    } rows[] = {
        {0, 180.0, -90.0, "180.000000", "-90.000000", 0x0610},
        {0, 180.000001, 0.0, "180.000", "0.000", 0x0310},
        {0, 10.0, 90.5, "10.000", "90.500", 0x0310},
        {4326, 13.4, 52.5, "13.400000", "52.500000", 0x0610},
        {4326, 3512345.25, 5.0, "3512345.250000", "5.000000", 0x0610},
        {31467, 3512345.25, 5412345.125, "3512345.250", "5412345.125", 0x0310},
        {25832, 512345.5, -1.0625, "512345.500", "-1.062", 0x0310},  // round half to even
        {900913, 1113194.9079327357, 0.0, "10.000000", "0.000000", 0x0610},
    };
    for (const Row& r : rows) {
        GPoint p(WorldPoint{r.x, r.y});
        p.UpdateInfo(r.crs);
        ASSERT_EQ(p.Infos().size(), 2u);
        EXPECT_EQ(p.FindInfo("RECHTS")->Value(), r.rechts) << r.crs << " " << r.x;
        EXPECT_EQ(p.FindInfo("HOCH")->Value(), r.hoch) << r.crs << " " << r.y;
        EXPECT_EQ(p.FindInfo("RECHTS")->Format(), r.format);
        EXPECT_EQ(p.FindInfo("HOCH")->Format(), r.format);
        EXPECT_EQ(p.m_ptPos, (WorldPoint{r.x, r.y}));  // the conversion works on a copy
    }
}

TEST(GPointTest, FormattingIgnoresTheProcessLocale)
{
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale installed";
    GPoint p(WorldPoint{1.5, 2.25});
    p.UpdateInfo(31467);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(p.FindInfo("RECHTS")->Value(), "1.500");
}

TEST(RuntimeClassTest, NamesSchemasAndBases)
{
    struct Row {
        const GRuntimeClass* cls;
        const char* name;
        const GRuntimeClass* base;
    } rows[] = {
        {&GClone::classGClone, "GClone", nullptr},
        {&GObj::classGObj, "GObj", &GClone::classGClone},
        {&GPoint::classGPoint, "GPoint", &GObj::classGObj},
        {&GText::classGText, "GText", &GObj::classGObj},
        {&GPolyline::classGPolyline, "GPolyline", &GObj::classGObj},
        {&GPolygon::classGPolygon, "GPolygon", &GObj::classGObj},
        {&GList::classGList, "GList", &GObj::classGObj},
        {&GInfo::classGInfo, "GInfo", &GClone::classGClone},
        {&GRing::classGRing, "GRing", &GClone::classGClone},
        {&GObList::classGObList, "GObList", nullptr},
    };
    ASSERT_EQ(ModelClasses().size(), std::size(rows));
    for (const Row& r : rows) {
        EXPECT_STREQ(r.cls->m_lpszClassName, r.name);
        EXPECT_EQ(r.cls->m_wSchema, 1);
        EXPECT_EQ(r.cls->m_pBaseClass, r.base) << r.name;
        std::unique_ptr<GRootObject> o(r.cls->CreateObject());
        ASSERT_NE(o, nullptr) << r.name;
        EXPECT_EQ(o->GetRuntimeClass(), r.cls) << r.name;
    }
    GPolygon poly;
    EXPECT_FALSE(poly.IsKindOf(&GPolyline::classGPolyline));
    EXPECT_TRUE(poly.IsKindOf(&GObj::classGObj));
    EXPECT_TRUE(GText().IsKindOf(&GClone::classGClone));
    EXPECT_STREQ(GFindPt().GetRuntimeClass()->m_lpszClassName, "GObj");
    EXPECT_STREQ(GGpsPos().GetRuntimeClass()->m_lpszClassName, "GObj");
    EXPECT_EQ(GFindPt().GetType(), GT_OBJ);

    // Factory defaults.
    std::unique_ptr<GRootObject> ring(GRing::classGRing.CreateObject());
    EXPECT_EQ(static_cast<GRing*>(ring.get())->m_nCapacity, 3);
    std::unique_ptr<GRootObject> pt(GPoint::classGPoint.CreateObject());
    EXPECT_EQ(static_cast<GPoint*>(pt.get())->m_crColor, 0x001E9E1Bu);
    std::unique_ptr<GRootObject> list(GObList::classGObList.CreateObject());
    EXPECT_EQ(static_cast<GObList*>(list.get())->m_bOwns, 1);
}

TEST(AddScreenRectTest, EnlargementAndMergeRulesPerClass)
{
    const ViewTransform vt = View();
    GObj box;
    box.m_rcBounds = WorldRect{10, 80, 20, 90};  // pixels 10 10 20 20
    GObj boxSel;
    boxSel.m_rcBounds = box.m_rcBounds;
    boxSel.m_wFlags = GF_SELECTED;
    GPoint pt(WorldPoint{10, 90});
    GPoint ptSel(WorldPoint{10, 90});
    ptSel.m_wFlags = GF_SELECTED;
    GGpsPos gps;
    gps.m_ptPos = WorldPoint{10, 90};
    gps.CalcBounds();
    GFindPt find;
    find.SetPos(WorldPoint{20, 80}, QString());
    GList list;
    list.m_rcBounds = box.m_rcBounds;

    struct Row {
        const char* what;
        const GObj* obj;
        ViewTransform vt;
        PixelRect in, out;
    } rows[] = {
        {"obj copied into empty", &box, vt, {}, {10, 10, 20, 20}},
        {"obj selected", &boxSel, vt, {}, {6, 6, 24, 24}},
        {"obj united", &box, vt, {0, 0, 5, 5}, {0, 0, 20, 20}},
        {"obj copied over a line", &box, vt, {0, 0, 50, 0}, {10, 10, 20, 20}},
        {"point", &pt, vt, {}, {5, 5, 15, 15}},
        {"point selected", &ptSel, vt, {}, {1, 1, 19, 19}},
        {"point united", &pt, vt, {0, 0, 8, 8}, {0, 0, 15, 15}},
        {"gps", &gps, vt, {}, {-25, -25, 45, 45}},
        {"find zoomed out", &find, View(2.0), {}, {-5, -5, 25, 25}},
        {"find zoomed in", &find, vt, {}, {-14, -14, 55, 55}},
        {"list copied into all zeros", &list, vt, {}, {10, 10, 20, 20}},
        {"list united", &list, vt, {1, 1, 1, 1}, {10, 10, 20, 20}},
        {"list united with area", &list, vt, {0, 0, 12, 12}, {0, 0, 20, 20}},
    };
    for (const Row& r : rows) {
        PixelRect rect = r.in;
        r.obj->AddScreenRect(r.vt, rect);
        EXPECT_EQ(rect, r.out) << r.what;
    }

    // A degenerate object copied into an empty rectangle stays without area.
    GObj dot;
    dot.m_ptPos = WorldPoint{10, 90};
    dot.CalcBounds();
    PixelRect rect;
    dot.AddScreenRect(vt, rect);
    EXPECT_EQ(rect, (PixelRect{10, 10, 10, 10}));
}

TEST(DrawTest, SelectionHandlesAreInvertedOutsideTheCorners)
{
    RecordingView view(View());
    GObj o;
    o.m_rcBounds = WorldRect{10, 80, 20, 90};
    o.Draw(view, nullptr, PixelRect{});
    EXPECT_TRUE(view.m_canvas.Calls().isEmpty());
    o.m_wFlags = GF_SELECTED;
    o.Draw(view, nullptr, PixelRect{});  // no canvas passed: the window's own
    EXPECT_EQ(Join(view.m_canvas.Calls()), Join((QStringList{"Invert 6 6 10 10", "Invert 20 6 24 10", "Invert 20 20 24 24",
                                                  "Invert 6 20 10 24"})));
    RecordingCanvas printer(true);
    o.Draw(view, &printer, PixelRect{});
    EXPECT_TRUE(printer.Calls().isEmpty());
}

TEST(DrawTest, PointCircleAndHandles)
{
    struct Row {
        const char* what;
        bool selected;
        bool printer;
        QStringList calls;
    } rows[] = {
        {"screen", false, false,
         {"Pen 0 0 0x1e9e1b", "Brush solid 0x1e9e1b", "Ellipse 6 6 14 14", "Pen 0 0 0x0", "Brush null 0x0"}},
        {"screen selected", true, false,
         {"Invert 4 4 8 8", "Invert 4 12 8 16", "Invert 12 12 16 16", "Invert 12 4 16 8", "Pen 0 0 0x1e9e1b",
          "Brush solid 0x1e9e1b", "Ellipse 6 6 14 14", "Pen 0 0 0x0", "Brush null 0x0"}},
        // Printer dots of 0.25 world units: the position maps to (40, 40), the radius to 16.
        {"printer selected", true, true,
         {"Pen 0 0 0x1e9e1b", "Brush solid 0x1e9e1b", "Ellipse 24 24 56 56", "Pen 0 0 0x0", "Brush null 0x0"}},
    };
    for (const Row& r : rows) {
        RecordingView view(View(1.0, 0.25));
        RecordingCanvas printer(true);
        GPoint p(WorldPoint{10, 90});
        if (r.selected) p.m_wFlags = GF_SELECTED;
        p.Draw(view, r.printer ? &printer : nullptr, PixelRect{});
        EXPECT_EQ(Join((r.printer ? printer.Calls() : view.m_canvas.Calls())), Join(r.calls)) << r.what;
    }
}

TEST(DrawTest, FindMarkerCirclesAndCross)
{
    GFindPt f;
    f.SetPos(WorldPoint{20, 80}, "1");
    RecordingView out(View(2.0));
    f.Draw(out, nullptr, PixelRect{});
    EXPECT_EQ(Join(out.m_canvas.Calls()), Join((QStringList{"Pen 0 3 0xff", "Arc 1 1 19 19", "Line -3 10 23 10", "Line 10 -3 10 23", "Pen 0 0 0x0"})));

    RecordingView in(View(1.0));
    f.Draw(in, nullptr, PixelRect{});
    // The square +-35 maps to -14 -14 55 55 (truncation toward zero), centre 20 20.
    EXPECT_EQ(Join(in.m_canvas.Calls()), Join((QStringList{"Pen 0 1 0xff", "Arc 19 19 21 21", "Arc 15 15 25 25", "Arc 10 10 30 30", "Arc 0 0 40 40",
                           "Arc -9 -9 50 50", "Line -14 20 55 20", "Line 20 -14 20 55", "Pen 0 0 0x0"})));

    RecordingCanvas printer(true);
    f.Draw(in, &printer, PixelRect{});
    EXPECT_TRUE(printer.Calls().isEmpty());
}

TEST(DrawTest, GpsArrowTurnsWithTheHeading)
{
    GGpsPos g;
    g.m_ptPos = WorldPoint{50, 50};  // pixel 50 50
    struct Row {
        double heading;
        QStringList calls;
    } rows[] = {
        {0.0,
         {"Pen 0 0 0xff", "Brush solid 0xff", "Polygon 50 51 60 65 54 65 54 80 46 80 46 65 40 65 50 51",
          "Line 50 49 50 40", "Line 51 50 60 50", "Line 49 50 40 50", "Pen 0 0 0x0", "Brush null 0x0"}},
        // A quarter turn counter-clockwise: (dx, dy) becomes (dy, -dx), the arrow points left.
        {std::numbers::pi / 2,
         {"Pen 0 0 0xff", "Brush solid 0xff", "Polygon 51 50 65 40 65 46 80 46 80 54 65 54 65 60 51 50",
          "Line 49 50 40 50", "Line 50 49 50 40", "Line 50 51 50 60", "Pen 0 0 0x0", "Brush null 0x0"}},
        // Course 90 degrees (east): heading 2 pi - pi/2 turns the arrow to the right.
        {2 * std::numbers::pi - std::numbers::pi / 2,
         {"Pen 0 0 0xff", "Brush solid 0xff", "Polygon 49 50 35 60 35 54 20 54 20 46 35 46 35 40 49 50",
          "Line 51 50 60 50", "Line 50 51 50 60", "Line 50 49 50 40", "Pen 0 0 0x0", "Brush null 0x0"}},
    };
    for (const Row& r : rows) {
        RecordingView view(View());
        g.m_dHeading = r.heading;
        g.Draw(view, nullptr, PixelRect{});
        EXPECT_EQ(Join(view.m_canvas.Calls()), Join(r.calls)) << r.heading;
    }
    RecordingView view(View());
    RecordingCanvas printer(true);
    g.Draw(view, &printer, PixelRect{});
    EXPECT_TRUE(printer.Calls().isEmpty());
}

TEST(DrawTest, NothingWithoutACanvas)
{
    RecordingView view(View());
    view.m_bHasWindow = false;
    GPoint p(WorldPoint{1, 1});
    p.m_wFlags = GF_SELECTED;
    p.Draw(view, nullptr, PixelRect{});  // must not crash
    GObj o;
    o.m_wFlags = GF_SELECTED;
    o.Draw(view, nullptr, PixelRect{});
    EXPECT_TRUE(view.m_canvas.Calls().isEmpty());
}

}  // namespace
}  // namespace korvel
