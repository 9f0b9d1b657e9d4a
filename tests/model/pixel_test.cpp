// Pixel geometry at the ends of the 32-bit range: objects far outside the view or with
// coordinates that are not numbers give the overflow value INT32_MIN, and nothing built from it
// may wrap around. The sanitizer build aborts on any signed overflow, so drawing and measuring
// every kind of object there is the check.
#include "model/pixel.h"

#include "model/gfindpt.h"
#include "model/ggpspos.h"
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/gring.h"
#include "model/gtext.h"

#include "support/recordingcanvas.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace korvel {
namespace {

constexpr int32_t kMin = INT32_MIN;
constexpr int32_t kMax = INT32_MAX;

TEST(PixelRectTest, InflateSaturatesAtTheEndsOfTheRange)
{
    struct Row {
        PixelRect rect;
        int32_t d;
        PixelRect want;
    };
    const Row rows[] = {
        {{10, 20, 30, 40}, 5, {5, 15, 35, 45}},
        {{10, 20, 30, 40}, -5, {15, 25, 25, 35}},
        {{kMin, kMin, kMin, kMin}, 9, {kMin, kMin, kMin + 9, kMin + 9}},
        {{kMin, kMin, kMax, kMax}, 50, {kMin, kMin, kMax, kMax}},
        {{kMax, kMax, kMax, kMax}, -3, {kMax, kMax, kMax - 3, kMax - 3}},
        {{0, 0, 0, 0}, kMax, {-kMax, -kMax, kMax, kMax}},
        {{-5, -5, 5, 5}, kMax, {kMin, kMin, kMax, kMax}},
    };
    for (const Row& r : rows) {
        PixelRect rect = r.rect;
        rect.Inflate(r.d);
        EXPECT_EQ(rect, r.want) << r.rect.left << " by " << r.d;
    }
    EXPECT_EQ(PixelRect::Around(PixelPoint{kMin, kMax}, 15), (PixelRect{kMin, kMax - 15, kMin + 15, kMax}));
    EXPECT_EQ(OffsetPixel(PixelPoint{kMin, 0}, -4, 4), (PixelPoint{kMin, 4}));
}

// Every kind of map object, selected and not, placed at `at` (a ring of three vertices
// around it, a text laid out there).
std::vector<std::unique_ptr<GObj>> EveryKindAt(const WorldPoint& at, test::RecordingView& view)
{
    std::vector<std::unique_ptr<GObj>> objects;
    for (bool selected : {false, true}) {
        auto point = std::make_unique<GPoint>(at);
        auto ringAround = [&at] {
            auto ring = std::make_unique<GRing>();
            for (const WorldPoint& d : {WorldPoint{0, 0}, WorldPoint{1, 0}, WorldPoint{1, 1}})
                ring->Add(WorldPoint{at.x + d.x, at.y + d.y});
            return ring;
        };
        auto line = std::make_unique<GPolyline>(ringAround());
        line->m_nPenWidth = GPolyline::kMaxPenWidth;
        auto area = std::make_unique<GPolygon>(ringAround());
        auto text = std::make_unique<GText>(QStringLiteral("Grenzstein"));
        text->m_ptPos = at;
        text->m_ptText = at;
        LogFont font;
        font.lfHeight = -12;
        font.lfItalic = 1;
        font.lfEscapement = 450;
        text->SetFont(font, &view);
        auto find = std::make_unique<GFindPt>();
        find->m_ptPos = at;
        auto gps = std::make_unique<GGpsPos>();
        gps->m_ptPos = at;
        auto list = std::make_unique<GList>();
        list->AddTail(new GPoint(at));
        std::vector<std::unique_ptr<GObj>> kinds;
        kinds.push_back(std::move(point));
        kinds.push_back(std::move(line));
        kinds.push_back(std::move(area));
        kinds.push_back(std::move(text));
        kinds.push_back(std::move(find));
        kinds.push_back(std::move(gps));
        kinds.push_back(std::move(list));
        for (auto& o : kinds) {
            o->CalcBounds();
            if (selected) o->m_wFlags |= GF_SELECTED;
            objects.push_back(std::move(o));
        }
    }
    return objects;
}

TEST(PixelRectTest, FarAndNotANumberObjectsNeverOverflow)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // At the smallest scale the view zooms to (0.0001 units per pixel) an object 300 km away
    // lies three billion pixels off, beyond the 32-bit range, on every side.
    const WorldPoint places[] = {{300000.0, 0.0}, {-300000.0, 0.0}, {0.0, 300000.0}, {0.0, -300000.0},
                                 {300000.0, -300000.0}, {nan, nan}, {nan, 5.0}};
    for (const WorldPoint& at : places) {
        SCOPED_TRACE(testing::Message() << at.x << " " << at.y);
        ViewTransform vt;
        vt.scale = 0.0001;
        vt.printScale = 0.00001;
        for (bool printing : {false, true}) {
            vt.printing = printing;
            test::RecordingView view(vt);
            test::RecordingCanvas printer(true);
            for (const auto& o : EveryKindAt(at, view)) {
                PixelRect rect{};
                o->AddScreenRect(vt, rect);
                // Far off means far off: no edge wrapped round into the visible range.
                const auto near = [](int32_t v) { return v > -1000000 && v < 1000000; };
                if (rect.HasArea()) {
                    EXPECT_FALSE(near(rect.left) && near(rect.right) && near(rect.top) && near(rect.bottom))
                        << rect.left << " " << rect.top << " " << rect.right << " " << rect.bottom;
                }
                o->Draw(view, printing ? &printer : nullptr, PixelRect{0, 0, 800, 600});
            }
        }
    }
}

}  // namespace
}  // namespace korvel
