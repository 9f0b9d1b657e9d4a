// Text labels: anchoring, layout arithmetic with the recording canvas's fake metric
// (width = characters x |height| / 2, height = |height|), drawing, comparison, re-projection.
#include "model/gpoint.h"
#include "model/gtext.h"
#include "support/recordingcanvas.h"

#include <gtest/gtest.h>

#include <memory>

namespace korvel {
namespace {

using test::Join;
using test::RecordingView;

ViewTransform View(double scale = 1.0, double printScale = 1.0)
{
    ViewTransform vt;
    vt.y0 = 100.0;
    vt.scale = scale;
    vt.printScale = printScale;
    return vt;
}

void Init(GText& t, const char* s, double height, uint8_t anchor = 7)
{
    t.m_strText = QString::fromUtf8(s);
    t.m_ptPos = WorldPoint{10, 90};  // pixel (10, 10) at scale 1
    t.m_dHeight = height;
    t.m_nAnchor = anchor;
}

TEST(GTextTest, Defaults)
{
    GText t("x");
    EXPECT_EQ(t.m_nAnchor, 7);
    EXPECT_EQ(t.m_crColor, 0u);
    EXPECT_EQ(t.m_dHeight, 0.0);
    EXPECT_EQ(t.m_strText, "x");
    EXPECT_EQ(t.GetType(), GT_TEXT);
}

TEST(GTextTest, AnchorOffsets)
{
    struct Row {
        uint8_t anchor;
        PixelPoint d;
    } rows[] = {
        {1, {0, 0}},     {2, {-20, 0}},    {3, {-41, 0}},    {4, {0, -6}},   {5, {-20, -6}}, {6, {-40, -6}},
        {7, {0, -13}},   {8, {-20, -13}},  {9, {-40, -13}},  {0, {0, 0}},    {10, {0, 0}},   {255, {0, 0}},
    };
    for (const Row& r : rows) EXPECT_EQ(GText::AnchorOffset(r.anchor, 41, 13), r.d) << int(r.anchor);
    EXPECT_EQ(GText::AnchorOffset(5, 40, 12), (PixelPoint{-19, -5}));  // (1 - w) / 2 truncates
}

TEST(GTextTest, LayoutPlacesTheBoxAroundTheAnchor)
{
    struct Row {
        const char* what;
        double height;
        uint8_t anchor;
        bool italic;
        int32_t escapement;
        double scale;
        WorldRect bounds;
        WorldPoint origin;
    } rows[] = {
        // "abcd" at -12 px: 24 x 12 pixels; anchor 7 puts the box above the anchor pixel (10, 10).
        {"bottom left", -12, 7, false, 0, 1.0, {10.5, 89.5, 34.5, 101.5}, {10.5, 101.5}},
        {"top left", -12, 1, false, 0, 1.0, {10.5, 77.5, 34.5, 89.5}, {10.5, 89.5}},
        {"centre", -12, 5, false, 0, 1.0, {-0.5, 82.5, 23.5, 94.5}, {-0.5, 94.5}},  // moved by (-11, -5)
        // Italic: 2 pixels wider before anchoring ((12 + 5) / 6).
        {"italic", -12, 1, true, 0, 1.0, {10.5, 77.5, 36.5, 89.5}, {10.5, 89.5}},
        // A quarter turn: the box stands on the anchor and the text runs upwards (north).
        {"rotated 90", -12, 1, false, 900, 1.0, {10.5, 89.5, 22.5, 113.5}, {10.5, 89.5}},
        // Twice the scale, twice the height in world units: the same pixel box.
        {"scale 2", -24, 1, false, 0, 2.0, {21.0, 55.0, 69.0, 79.0}, {21.0, 79.0}},
    };
    for (const Row& r : rows) {
        RecordingView view(View(r.scale));
        GText t;
    Init(t, "abcd", r.height, r.anchor);
        t.m_ptPos = WorldPoint{10 * r.scale, 100 - 10 * r.scale};
        t.m_lf.lfItalic = r.italic;
        t.m_lf.lfEscapement = r.escapement;
        ASSERT_TRUE(t.Layout(view));
        EXPECT_EQ(t.m_rcBounds, r.bounds) << r.what << " " << t.m_rcBounds.minX << " " << t.m_rcBounds.minY << " "
                                          << t.m_rcBounds.maxX << " " << t.m_rcBounds.maxY;
        EXPECT_EQ(t.m_ptText, r.origin) << r.what << " " << t.m_ptText.x << " " << t.m_ptText.y;
        // Measured unrotated, with the pixel height.
        EXPECT_EQ(Join(view.m_canvas.Calls()), "Measure -12 abcd") << r.what;
    }

    RecordingView blind(View());
    blind.m_bHasWindow = false;
    GText t;
    Init(t, "abcd", -12);
    EXPECT_FALSE(t.Layout(blind));
    EXPECT_TRUE(t.m_rcBounds.IsEmpty());
}

// Every box shape (size, slant, anchor, escapement) at anchor pixels near the origin and far
// from it: each corner turned on its own about the anchor pixel, as the layout rules say.
// Shapes are visited in turn at each place, so boxes turned before are met again.
TEST(GTextTest, LayoutTurnsEveryBoxShapeAboutItsAnchorPixel)
{
    const ViewTransform vt = View();
    RecordingView view(vt);
    const WorldPoint places[] = {{10, 90}, {-700.25, 400}, {268435461, 80}, {30, 536870912}};
    for (const WorldPoint& place : places) {
        for (const char* text : {"a", "ab", "abc", "Nr. 100"}) {
            for (const int32_t height : {-12, -13}) {
                for (const bool italic : {false, true}) {
                    for (uint8_t anchor = 0; anchor <= 9; ++anchor) {
                        for (const int32_t escapement : {0, 1, 450, 900, -900, 1800, 1234, -3599}) {
                            GText t;
                            Init(t, text, height, anchor);
                            t.m_ptPos = place;
                            t.m_lf.lfItalic = italic;
                            t.m_lf.lfEscapement = escapement;
                            ASSERT_TRUE(t.Layout(view));

                            const PixelPoint a = vt.ToScreen(place);
                            LogFont measured = t.m_lf;
                            measured.lfHeight = height;
                            const PixelSize size = test::RecordingCanvas::FakeSize(measured, t.m_strText);
                            const int32_t w = size.cx + (italic ? (size.cy + 5) / 6 : 0);
                            const PixelPoint d = GText::AnchorOffset(anchor, w, size.cy);
                            const PixelPoint tl{a.x + d.x, a.y + d.y};
                            const PixelPoint box[] = {
                                tl, {tl.x + w, tl.y}, {tl.x + w, tl.y + size.cy}, {tl.x, tl.y + size.cy}};
                            WorldRect bounds;
                            for (const PixelPoint& c : box)
                                bounds.Unite(vt.ScreenPixelCentre(RotatePoint(c, a, t.Angle(), 1.0)));
                            ASSERT_EQ(t.m_rcBounds, bounds)
                                << text << " " << height << " " << italic << " " << int(anchor) << " "
                                << escapement << " at " << a.x << " " << a.y;
                            ASSERT_EQ(t.m_ptText, vt.ScreenPixelCentre(RotatePoint(tl, a, t.Angle(), 1.0)));
                        }
                    }
                }
            }
        }
    }
}

TEST(GTextTest, SetFontTakesTheHeightFromTheView)
{
    LogFont lf;
    lf.lfHeight = -12;
    lf.lfWeight = 700;
    lf.SetFaceName("Arial");
    GText t;
    Init(t, "ab", 0, 1);
    t.SetFont(lf, nullptr);
    EXPECT_EQ(t.m_dHeight, -12.0);
    EXPECT_TRUE(t.m_rcBounds.IsEmpty());
    EXPECT_EQ(t.m_lf.FaceName(), "Arial");

    RecordingView view(View(2.0));
    t.m_ptPos = WorldPoint{20, 80};
    t.SetFont(lf, &view);
    EXPECT_EQ(t.m_dHeight, -24.0);
    EXPECT_EQ(t.m_rcBounds, (WorldRect{21, 55, 45, 79}));
}

TEST(GTextTest, DrawSkipsTextsBelowThreePixels)
{
    struct Row {
        double height;
        bool drawn;
    } rows[] = {{-2.9, false}, {2.99, false}, {-3.0, true}, {3.0, true}, {0.0, false}, {-40.0, true}};
    for (const Row& r : rows) {
        RecordingView view(View());
        GText t;
    Init(t, "a", r.height);
        t.Draw(view, nullptr, {});
        EXPECT_EQ(!view.m_canvas.CallsStartingWith("Text ").isEmpty(), r.drawn) << r.height;
    }
}

TEST(GTextTest, DrawTextOrOutlineWhenSelected)
{
    RecordingView view(View(1.0, 0.5));
    GText t;
    Init(t, "abcd", -12);
    t.m_crColor = 0x12345678;
    t.m_lf.lfEscapement = 0;
    ASSERT_TRUE(t.Layout(view));
    view.m_canvas.Clear();
    // The origin (10.5, 101.5) maps to pixel (11, -1).
    t.Draw(view, nullptr, {});
    EXPECT_EQ(Join(view.m_canvas.Calls()),
              "BkMode transparent; Font -12 esc 0 italic 0; TextColor 0x345678; Text 11 -1 abcd; TextColor 0x0; "
              "Font 0 esc 0 italic 0");

    view.m_canvas.Clear();
    t.m_wFlags = GF_SELECTED;
    t.Draw(view, nullptr, {});
    EXPECT_EQ(Join(view.m_canvas.Calls()),
              "BkMode transparent; Font -12 esc 0 italic 0; TextColor 0x345678; TextColor 0x0; Font 0 esc 0 italic 0; "
              "Pen 0 0 0x12345678; Measure -12 abcd; Polyline 11 -1 35 -1 35 11 11 11 11 -1; Line 7 7 13 13; "
              "Line 7 12 13 6; Pen 0 0 0x0");

    // On paper a selected text is printed, at the printer scale.
    test::RecordingCanvas printer(true);
    t.Draw(view, &printer, {});
    EXPECT_EQ(Join(printer.Calls()),
              "BkMode transparent; Font -24 esc 0 italic 0; TextColor 0x345678; Text 21 -2 abcd; TextColor 0x0; "
              "Font 0 esc 0 italic 0");

    // A rotated outline turns about the origin.
    view.m_canvas.Clear();
    t.m_lf.lfEscapement = 900;
    t.Draw(view, nullptr, {});
    EXPECT_EQ(view.m_canvas.CallsStartingWith("Polyline").join(";").toStdString(),
              "Polyline 11 -1 11 -25 23 -25 23 -1 11 -1");
}

TEST(GTextTest, IsEqualAlwaysComparesTypeAndAnchor)
{
    GText a;
    Init(a, "eins", -12);
    GText b;
    Init(b, "zwei", -12);
    GText moved;
    Init(moved, "eins", -12);
    moved.m_ptPos.x += 1;
    GText otherFont;
    Init(otherFont, "eins", -12);
    otherFont.m_lf.SetFaceName("Courier");
    GText otherCase;
    Init(otherCase, "eins", -12);
    a.m_lf.SetFaceName("courier");
    b.m_lf.SetFaceName("courier");
    otherCase.m_lf.SetFaceName("Courier");
    GText otherQuality;
    Init(otherQuality, "zwei", -12);
    otherQuality.m_lf.SetFaceName("courier");
    otherQuality.m_lf.lfQuality = 4;
    GPoint point(WorldPoint{10, 90});
    struct Row {
        const char* what;
        const GText* x;
        const GObj* y;
        uint32_t flags;
        bool equal;
    } rows[] = {
        {"texts differ, no flags", &a, &b, 0, true},
        {"moved, no flags", &a, &moved, 0, false},
        {"text against point", &a, &point, 0, false},
        {"same font", &a, &b, EQ_FONT, true},
        {"face case differs", &a, &otherCase, EQ_FONT, false},
        {"face case ignored without EQ_FONT", &a, &otherCase, EQ_TYPE | EQ_POS, true},
        {"quality differs", &b, &otherQuality, EQ_FONT, false},
    };
    for (const Row& r : rows) EXPECT_EQ(r.x->IsEqual(*r.y, r.flags), r.equal) << r.what;
}

TEST(GTextTest, TransformRescalesTheHeight)
{
    RecordingView view(View());
    GText t;
    Init(t, "abcd", -12, 1);
    ASSERT_TRUE(t.Layout(view));
    CoordTransform ct;
    auto twice = [](WorldPoint* p, CoordTransform*) {
        p->x *= 2;
        p->y *= 3;
        return true;
    };
    ASSERT_TRUE(t.Transform(twice, &ct));
    EXPECT_EQ(t.m_ptPos, (WorldPoint{20, 270}));
    EXPECT_EQ(t.m_ptText, (WorldPoint{21, 268.5}));
    EXPECT_EQ(t.m_rcBounds, (WorldRect{21, 232.5, 69, 268.5}));
    EXPECT_DOUBLE_EQ(t.m_dHeight, -36.0);

    // Never laid out: the bounds give no height ratio and the height stays.
    GText raw;
    Init(raw, "x", -12);
    ASSERT_TRUE(raw.Transform(twice, &ct));
    EXPECT_EQ(raw.m_dHeight, -12.0);

    auto fail = [](WorldPoint*, CoordTransform*) { return false; };
    EXPECT_FALSE(t.Transform(fail, &ct));
}

TEST(GTextTest, DistanceScreenRectAndClone)
{
    RecordingView view(View());
    GText t;
    Init(t, "abcd", -12, 1);
    t.m_lf.lfWeight = 700;
    t.m_lf.SetFaceName("Arial");
    t.SetInfo("PTNR", "4");
    ASSERT_TRUE(t.Layout(view));
    EXPECT_EQ(t.Distance({10.5, 77.5}), 0.0);  // the edge counts as inside
    EXPECT_EQ(t.Distance({20, 80}), 0.0);
    EXPECT_EQ(t.Distance({10.4, 80}), 2147483647.0);

    PixelRect r;
    t.AddScreenRect(view.m_vt, r);  // bounds 11 11 35 23 (pixel centres round up), then 4 more
    EXPECT_EQ(r, (PixelRect{7, 7, 39, 27}));

    std::unique_ptr<GClone> c(t.Clone());
    auto* copy = dynamic_cast<GText*>(c.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->m_strText, "abcd");
    EXPECT_EQ(copy->m_ptText, t.m_ptText);
    EXPECT_EQ(copy->m_dHeight, t.m_dHeight);
    EXPECT_EQ(copy->m_nAnchor, 1);
    EXPECT_TRUE(copy->m_lf == t.m_lf);
    EXPECT_EQ(copy->m_rcBounds, t.m_rcBounds);
    EXPECT_EQ(copy->FindInfo("PTNR")->Value(), "4");
    copy->CalcBounds();  // bounds come from the layout only
    EXPECT_EQ(copy->m_rcBounds, t.m_rcBounds);
}

TEST(LogFontTest, FaceNameIsCutAt31Characters)
{
    LogFont lf;
    EXPECT_TRUE(lf.SetFaceName(QString(31, 'x')));
    EXPECT_EQ(lf.FaceName().size(), 31);
    EXPECT_FALSE(lf.SetFaceName(QString(40, 'y')));
    EXPECT_EQ(lf.FaceName(), QString(31, 'y'));
    EXPECT_TRUE(lf.SetFaceName("Arial"));
    EXPECT_EQ(lf.FaceName(), "Arial");  // the longer name left nothing behind
    LogFont other;
    other.SetFaceName("Arial");
    EXPECT_TRUE(lf == other);
}

}  // namespace
}  // namespace korvel
