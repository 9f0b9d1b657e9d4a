#include "survey/skyplot.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvel {
namespace {

constexpr int32_t kLetterBox = 14;    // N/E/S/W boxes on the horizon
constexpr int32_t kSatDiameter = 22;  // satellite disc
constexpr int32_t kNumberBox = 20;    // box the PRN is centred in

int32_t FloorHalf(int32_t v)
{
    return v >= 0 ? v / 2 : -((1 - v) / 2);
}

int32_t RoundPixel(double v)
{
    return ToPixelValue(std::floor(v + 0.5));
}

PixelRect BoxAround(PixelPoint c, int32_t size)
{
    const int32_t half = size / 2;
    return PixelRect{c.x - half, c.y - half, c.x - half + size, c.y - half + size};
}

}  // namespace

void ClearStaleSatellites(GpsFix& fix, std::int64_t now)
{
    if (now - fix.gsvTime > kSatelliteDataMaxAge) {
        for (GpsSatellite& s : fix.satellites) s.prn = 0;
    }
    if (now - fix.gsaTime > kSatelliteDataMaxAge) {
        for (GpsSatellite& s : fix.satellites) s.used = 0;
    }
}

COLORREF SatelliteColour(const GpsSatellite& sat)
{
    if (sat.used) return kSatUsed;
    return sat.snr != 0 ? kSatTracked : kSatUntracked;
}

SkyPlotGeometry SkyPlotCircle(const PixelRect& area)
{
    const int32_t w = area.right - area.left;
    const int32_t h = area.bottom - area.top;
    SkyPlotGeometry g;
    g.centre = PixelPoint{area.left + w / 2, area.top + h / 2};
    g.radius = std::min(w, h) / 2 - 10;
    return g;
}

PixelPoint SatellitePosition(const SkyPlotGeometry& plot, int elevationDeg, int azimuthDeg)
{
    const double r = (90.0 - elevationDeg) / 90.0 * plot.radius;
    const double az = azimuthDeg * std::numbers::pi / 180.0;
    return PixelPoint{RoundPixel(plot.centre.x + std::sin(az) * r),
                      RoundPixel(plot.centre.y - std::cos(az) * r)};
}

void DrawTextCentred(Canvas& dc, const LogFont& font, const PixelRect& box, const QString& text)
{
    dc.SelectFont(font);
    const PixelSize size = dc.MeasureText(font, text);
    const PixelPoint origin{box.left + FloorHalf(box.right - box.left - size.cx),
                            box.top + FloorHalf(box.bottom - box.top - size.cy)};
    dc.TextOut(origin, text);
}

void DrawSkyPlot(Canvas& dc, const PixelRect& area, const GpsFix& fix, const SkyPlotLook& look)
{
    const SkyPlotGeometry plot = SkyPlotCircle(area);
    const PixelPoint c = plot.centre;
    const int32_t r = plot.radius;
    const Pen oldPen = dc.SelectPen(Pen{PS_SOLID, 1, kBarOutline});
    const Brush oldBrush = dc.SelectBrush(Brush{});
    const LogFont oldFont = dc.SelectFont(look.font);
    const COLORREF oldText = dc.SetTextColor(kBarOutline);
    const BkMode oldBk = dc.SetBkMode(BkMode::Transparent);

    dc.Arc(PixelRect{c.x - r, c.y - r, c.x + r, c.y + r});
    const int32_t r45 = r / 2;
    dc.Arc(PixelRect{c.x - r45, c.y - r45, c.x + r45, c.y + r45});
    dc.Line(PixelPoint{c.x - r, c.y}, PixelPoint{c.x + r, c.y});
    dc.Line(PixelPoint{c.x, c.y - r}, PixelPoint{c.x, c.y + r});

    struct Letter {
        const char* text;
        PixelPoint at;
    };
    const Letter letters[] = {
        {"N", {c.x, c.y - r}}, {"E", {c.x + r, c.y}}, {"S", {c.x, c.y + r}}, {"W", {c.x - r, c.y}}};
    for (const Letter& l : letters) {
        const PixelRect box = BoxAround(l.at, kLetterBox);
        dc.SelectPen(Pen{PS_NULL, 0, look.background});
        dc.SelectBrush(Brush{BrushKind::Solid, look.background});
        const PixelPoint corners[] = {
            {box.left, box.top}, {box.right, box.top}, {box.right, box.bottom}, {box.left, box.bottom}};
        dc.Polygon(corners);
        DrawTextCentred(dc, look.font, box, QString::fromLatin1(l.text));
    }

    LogFont small = look.font;
    small.lfHeight = look.font.lfHeight * 3 / 4;
    for (int slot = kGpsSatelliteSlots - 1; slot >= 0; --slot) {
        const GpsSatellite& sat = fix.satellites[static_cast<std::size_t>(slot)];
        if (sat.prn == 0) continue;
        const COLORREF colour = SatelliteColour(sat);
        const PixelPoint at = SatellitePosition(plot, sat.elevation, sat.azimuth);
        dc.SelectPen(Pen{PS_SOLID, 1, colour});
        dc.SelectBrush(Brush{BrushKind::Solid, colour});
        dc.Ellipse(BoxAround(at, kSatDiameter));
        dc.SetTextColor(kSatNumber);
        DrawTextCentred(dc, look.font, BoxAround(at, kNumberBox), QString::asprintf("%i", int(sat.prn)));
        if (look.systems) {
            // The system letter sits just outside the disc, lower right, in the outline colour,
            // so the disc keeps the colour that says used, tracked or untracked.
            const char system = (*look.systems)[static_cast<std::size_t>(slot)];
            dc.SetTextColor(kBarOutline);
            dc.SelectFont(small);
            dc.TextOut(PixelPoint{at.x + kSatDiameter / 2, at.y}, QString(QChar::fromLatin1(system)));
        }
    }

    dc.SetBkMode(oldBk);
    dc.SetTextColor(oldText);
    dc.SelectFont(oldFont);
    dc.SelectBrush(oldBrush);
    dc.SelectPen(oldPen);
}

}  // namespace korvel
