#pragma once
// What a map object reads from its view to map world coordinates to device pixels. A plain
// value type: the view fills it, objects copy it for the duration of one drawing call.

#include "crs/worldpoint.h"
#include "model/pixel.h"

namespace korvel {

struct ViewTransform {
    double x0 = 0.0;          // world x of the client area's left edge
    double y0 = 0.0;          // world y of the client area's top edge
    double scale = 1.0;       // world units per screen pixel
    double printScale = 1.0;  // world units per printer dot
    bool printing = false;    // the device is a printer (or print preview)

    // World units per device pixel for the current device.
    double DeviceScale() const { return printing ? printScale : scale; }

    // Maps a world point (document units, x east, y north) to a pixel with `s` world units per
    // pixel: column trunc((x - x0)/s + 0.5), row trunc((y0 - y)/s + 0.5), truncation toward
    // zero; values beyond the 32-bit range become INT32_MIN.
    PixelPoint ToPixel(const WorldPoint& p, double s) const
    {
        return PixelPoint{ToPixelValue((p.x - x0) / s + 0.5), ToPixelValue((y0 - p.y) / s + 0.5)};
    }

    // A world rectangle in pixels: left from minX, top from maxY, right from maxX, bottom from
    // minY.
    PixelRect ToPixel(const WorldRect& r, double s) const
    {
        const PixelPoint tl = ToPixel(WorldPoint{r.minX, r.maxY}, s);
        const PixelPoint br = ToPixel(WorldPoint{r.maxX, r.minY}, s);
        return PixelRect{tl.x, tl.y, br.x, br.y};
    }

    PixelPoint ToScreen(const WorldPoint& p) const { return ToPixel(p, scale); }
    PixelRect ToScreen(const WorldRect& r) const { return ToPixel(r, scale); }

    // The world point at the centre of screen pixel p (document units).
    WorldPoint ScreenPixelCentre(PixelPoint p) const
    {
        return WorldPoint{(p.x + 0.5) * scale + x0, y0 - (p.y + 0.5) * scale};
    }
};

}  // namespace korvel
