#include "survey/gpscompass.h"

#include "crs/transform.h"
#include "model/gfindpt.h"
#include "strings/stringtable.h"
#include "survey/skyplot.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvel {
namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr int32_t kLetterMargin = 6;  // around each compass letter's box
constexpr int32_t kTextMargin = 5;    // above the point number and below the distance

int32_t RoundPixel(double v)
{
    return ToPixelValue(std::floor(v + 0.5));
}

// The travel arrow in its design square (-120 … 120), pointing up.
constexpr PixelPoint kArrowDesign[8] = {{0, -100},  {40, -30},  {20, -30},  {20, 100},
                                        {-20, 100}, {-20, -30}, {-40, -30}, {0, -100}};
constexpr double kArrowDesignHalf = 120.0;

}  // namespace

std::int32_t CompassSystem(std::int32_t docSys)
{
    return docSys == CRS_WEBMERCATOR ? CRS_UTM_AUTO : docSys;
}

QString FormatCompassDistance(double distance)
{
    if (distance < 10.0) return QString::asprintf("%.2lf m", distance);
    if (distance < 1000.0) return QString::asprintf("%.0lf m", distance);
    return QString::asprintf("%.1lf km", distance / 1000.0);
}

ArrowOutline TravelArrow(PixelPoint centre, int32_t radius)
{
    const double k = radius / kArrowDesignHalf;
    ArrowOutline out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = PixelPoint{RoundPixel(centre.x + kArrowDesign[i].x * k),
                            RoundPixel(centre.y + kArrowDesign[i].y * k)};
    }
    return out;
}

ArrowOutline TurnArrow(const ArrowOutline& arrow, PixelPoint centre, double angle)
{
    ArrowOutline out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double dx = double(arrow[i].x) - centre.x;
        const double dy = double(arrow[i].y) - centre.y;
        const double d = std::hypot(dx, dy);
        const double a = std::atan2(dx, dy) + angle;
        out[i] = PixelPoint{RoundPixel(centre.x + d * std::sin(a)), RoundPixel(centre.y + d * std::cos(a))};
    }
    return out;
}

void GpsCompass::Update(const GpsFix* fix, const GFindPt* marker, std::int32_t docSys)
{
    if (!fix) return;
    // A record that never received a position still holds (0, 0); it is nowhere the receiver
    // could be, and moving away from it would turn the rose at random.
    if (fix->longitude != 0.0 || fix->latitude != 0.0) {
        CoordTransform toCompass{1, CRS_WGS84, CompassSystem(docSys)};
        WorldPoint p{fix->longitude, fix->latitude};
        // Without a conversion (a local document) the degrees stay as they are.
        TransformPoint(&p, &toCompass);
        position = p;
        system = toCompass.to;
        if (!(position == previousPosition)) {
            if (fix->course != 0.0) {
                heading = std::numbers::pi - fix->course * kDegToRad;
            } else if (previousPosition.x != 0.0 || previousPosition.y != 0.0) {
                // Standing (or a receiver without course): the direction of the last step.
                heading = std::atan2(position.x - previousPosition.x, previousPosition.y - position.y);
            }
            previousPosition = position;
        }
    }

    // No way to the marker before the receiver has said where it is.
    const bool hasPosition = position.x != 0.0 || position.y != 0.0;
    if (!marker || !hasPosition) {
        target = WorldPoint{};
        return;
    }
    WorldPoint t = marker->m_ptPos;
    // A web-map document's marker goes into the same UTM zone as the position.
    CoordTransform toCompass{1, docSys, docSys == CRS_WEBMERCATOR ? system : docSys};
    TransformPoint(&t, &toCompass);
    target = t;
    targetNumber = marker->m_strText.isEmpty() ? QStringLiteral("???") : marker->m_strText;
    const double bearing = std::atan2(target.x - position.x, position.y - target.y);
    relativeBearing = bearing - heading;
    distance = std::hypot(position.x - target.x, position.y - target.y);
}

void GpsCompass::Draw(Canvas& dc, const PixelRect& area, const CompassLook& look) const
{
    const PixelSize eights = dc.MeasureText(look.font, QStringLiteral("88"));
    int32_t letter = std::max(eights.cx, eights.cy);
    letter += letter & 1;
    const int32_t w = area.right - area.left;
    const int32_t h = area.bottom - area.top;
    const PixelPoint c{area.left + w / 2, area.top + h / 2};
    const int32_t r = std::min(w, h) / 2 - letter / 2;

    const Pen oldPen = dc.SelectPen(Pen{PS_SOLID, 1, kBarOutline});
    const Brush oldBrush = dc.SelectBrush(Brush{});
    const LogFont oldFont = dc.SelectFont(look.font);
    const COLORREF oldText = dc.SetTextColor(kBarOutline);
    const BkMode oldBk = dc.SetBkMode(BkMode::Opaque);

    dc.Arc(PixelRect{c.x - r, c.y - r, c.x + r, c.y + r});

    // The rose turns with the heading: N sits where north lies relative to the direction of
    // travel, which is always up.
    struct Letter {
        const char* text;
        double angle;
    };
    const Letter letters[] = {{" N ", heading},
                              {" S ", heading + std::numbers::pi},
                              {" E ", heading + std::numbers::pi / 2},
                              {" W ", heading + 3 * std::numbers::pi / 2}};
    const int32_t half = letter / 2 + kLetterMargin;
    for (const Letter& l : letters) {
        const PixelPoint at{RoundPixel(c.x - r * std::sin(l.angle)), RoundPixel(c.y + r * std::cos(l.angle))};
        DrawTextCentred(dc, look.font, PixelRect{at.x - half, at.y - half, at.x + half, at.y + half},
                        QString::fromLatin1(l.text));
    }

    const ArrowOutline arrow = TravelArrow(c, r);
    dc.SelectPen(Pen{PS_SOLID, 3, kCompassTravelArrow});
    dc.Polyline(arrow);

    if (HasTarget()) {
        const ArrowOutline turned = TurnArrow(arrow, c, relativeBearing);
        dc.SelectPen(Pen{PS_SOLID, 3, kCompassTargetArrow});
        dc.SelectBrush(Brush{BrushKind::Solid, kCompassTargetArrow});
        dc.Polygon(turned);

        dc.SetBkMode(BkMode::Transparent);
        const QString number = FormatString(IDS_COMPASS_TARGET, targetNumber);
        const PixelSize ns = dc.MeasureText(look.font, number);
        dc.TextOut(PixelPoint{area.left + (w - ns.cx) / 2, area.top + kTextMargin}, number);
        const QString dist = FormatCompassDistance(distance);
        const PixelSize ds = dc.MeasureText(look.font, dist);
        dc.TextOut(PixelPoint{area.left + (w - ds.cx) / 2, area.bottom - kTextMargin - ds.cy}, dist);
    }

    dc.SetBkMode(oldBk);
    dc.SetTextColor(oldText);
    dc.SelectFont(oldFont);
    dc.SelectBrush(oldBrush);
    dc.SelectPen(oldPen);
}

}  // namespace korvel
