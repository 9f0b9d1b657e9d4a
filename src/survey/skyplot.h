#pragma once
// The sky plot of the satellite view: the horizon and 45° circles with the compass points, and
// every satellite in view placed by elevation and azimuth, coloured by whether the receiver
// uses it, tracks it, or only knows it is there. Drawn on a Canvas so that the exact geometry
// can be checked without a screen.

#include "gps/gpsfix.h"
#include "model/canvas.h"
#include "model/pixel.h"

#include <array>
#include <cstdint>

namespace korvel {

// Colours of both bars (0x00BBGGRR).
inline constexpr COLORREF kBarOutline = MakeRgb(31, 31, 31);   // circles, lines and letters
inline constexpr COLORREF kSatUsed = MakeRgb(27, 158, 30);     // used in the solution (green)
inline constexpr COLORREF kSatTracked = MakeRgb(0, 0, 255);    // tracked, not used (blue)
inline constexpr COLORREF kSatUntracked = MakeRgb(255, 0, 0);  // in view, not tracked (red)
inline constexpr COLORREF kSatNumber = MakeRgb(255, 255, 255);

// Satellite data older than this (seconds of the PC clock) is no longer shown.
inline constexpr std::int64_t kSatelliteDataMaxAge = 10;

// Forgets what the receiver stopped reporting: with no GSV for more than 10 s every slot's
// PRN is cleared, with no GSA for more than 10 s every `used` flag. Writes the port's fix
// record, so that every reader sees the same. `now` in seconds since 1970.
void ClearStaleSatellites(GpsFix& fix, std::int64_t now);

// The colour a satellite is drawn in.
COLORREF SatelliteColour(const GpsSatellite& sat);

struct SkyPlotLook {
    COLORREF background = MakeRgb(240, 240, 240);  // the button face
    LogFont font;                                  // the bar's font (numbers and N/E/S/W)
    // Per slot the system letter to show beside the number ('G', 'R', 'E', 'C', ...), or null
    // to show numbers only.
    const std::array<char, kGpsSatelliteSlots>* systems = nullptr;
};

// The plot's circle: centre and radius in pixels for the drawing area.
struct SkyPlotGeometry {
    PixelPoint centre;
    int32_t radius = 0;  // the horizon; 45° lies at half of it
};
SkyPlotGeometry SkyPlotCircle(const PixelRect& area);

// Where a satellite's centre lies: elevation 90° at the centre, 0° on the horizon, azimuth
// clockwise from north (up). Degrees in, pixels out (rounded to the nearest pixel).
PixelPoint SatellitePosition(const SkyPlotGeometry& plot, int elevationDeg, int azimuthDeg);

// Draws `text` with `font` (selected here) centred in `box`, the way a centred single-line
// text is placed in a rectangle: half the spare width and height on each side.
void DrawTextCentred(Canvas& dc, const LogFont& font, const PixelRect& box, const QString& text);

// Draws the plot into `area` (pixels; the caller has filled it with the background). Slots
// are drawn from 15 down to 0, so slot 0 lies on top.
void DrawSkyPlot(Canvas& dc, const PixelRect& area, const GpsFix& fix, const SkyPlotLook& look);

}  // namespace korvel
