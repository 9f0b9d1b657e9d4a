#pragma once
// The geometric state of a map view (visible world rectangle, screen and printer scale, client
// size) and every operation that changes it. Plain value code without widgets, so the zoom and
// pan rules can be tested and reused (printing, the measuring functions) on their own.

#include "crs/worldpoint.h"
#include "model/pixel.h"

#include <QPoint>

#include <cstdint>

namespace korvel {

// The rectangle spanned by two pixel corners, with left <= right and top <= bottom.
PixelRect NormalisedRect(QPoint a, QPoint b);

class Viewport {
public:
    // The smallest screen scale (world units per pixel) the view zooms to; there is no upper
    // limit.
    static constexpr double kMinScale = 0.0001;
    // Wheel and page keys zoom by this factor per notch, whatever the wheel delta's size.
    static constexpr double kWheelFactor = 1.2;
    // Latitude limit of the web-mercator world (degrees).
    static constexpr double kMaxMercatorLat = 85.0511287798;

    // The visible world rectangle (document units). All four values 0: never set.
    WorldRect worldRect;
    // World units per screen pixel.
    double scale = 1.0;
    // World units per printer pixel, valid while printing.
    double printScale = 1.0;
    // Client area in pixels.
    int clientWidth = 0;
    int clientHeight = 0;

    // --- mapping (pixels: x to the right, y downwards; world: x east, y north) ---

    // trunc(v + 0.5) toward zero; values outside the int32 range (and NaN) give INT32_MIN.
    static int32_t RoundPixel(double v);
    // World point -> pixel with the given scale (the screen or the printer scale).
    QPoint WorldToScreen(const WorldPoint& p, double s) const;
    QPoint WorldToScreen(const WorldPoint& p) const { return WorldToScreen(p, scale); }
    // World rectangle -> pixel rectangle: left from minX, top from maxY, right from maxX,
    // bottom from minY.
    PixelRect WorldToScreen(const WorldRect& r, double s) const;
    // The world point at the centre of a pixel (clicks, the status bar, the wheel).
    WorldPoint PixelCentreToWorld(QPoint px, double s) const;
    WorldPoint PixelCentreToWorld(QPoint px) const { return PixelCentreToWorld(px, scale); }
    // The world point at the top-left corner of a pixel (rubber bands, clip boxes).
    WorldPoint PixelCornerToWorld(QPoint px, double s) const;
    // World rectangle of a pixel rectangle by the corner mapping (normalised first).
    WorldRect PixelRectToWorld(const PixelRect& box, double s) const;
    WorldRect PixelRectToWorld(const PixelRect& box) const { return PixelRectToWorld(box, scale); }

    double Width() const;   // |maxX - minX| in world units
    double Height() const;  // |maxY - minY| in world units
    WorldPoint Centre() const;

    // --- operations (each leaves maxX - minX = scale*clientWidth, maxY - minY =
    // scale*clientHeight, except while the client area is empty) ---

    // With a centre and half > 0 the rectangle becomes the square centre +- half; with a
    // centre and half <= 0 it keeps its size and is centred on the point; without a centre
    // the current rectangle is used. Then the scale is derived from the rectangle (unless it
    // already fits exactly in one direction) and the rectangle is fitted to the client area
    // about its centre.
    void SetView(const WorldPoint* centre, double half);
    // Shows `bounds` (all objects, in document units, of coordinate system `crs`): a margin
    // of 1/20 of the smaller side, or for an empty/degenerate extent the whole world (4326,
    // 900913) or the extent widened by 500 units (any other system).
    void FitBounds(const WorldRect& bounds, int crs);
    // New client size. Answers true when the caller must fit all objects (the rectangle was
    // never set); otherwise the centre is kept.
    bool Resize(int cx, int cy);
    // Zoom-in tool release: a rectangle of at least 2x2 pixels becomes the view, anything
    // smaller is a click that zooms to two thirds about the pressed pixel.
    void ZoomIn(const PixelRect& normalisedDrag, QPoint pressPixel);
    // Zoom-out tool release: a rectangle widens the view by what it lacks of the view's size
    // (new width 2w - rw); a click widens by 1.5 about the pressed pixel.
    void ZoomOut(const PixelRect& normalisedDrag, QPoint pressPixel);
    // Moves the world so that the map follows the mouse from `press` to `release` (pixels).
    // Width and height stay; the scale is untouched.
    void Pan(QPoint press, QPoint release);
    // Wheel: delta > 0 zooms in by kWheelFactor, delta < 0 out; the point under `pixel`
    // becomes the centre. Answers false (nothing changed) for a zero delta.
    bool Wheel(int delta, QPoint pixel);

    // Printer scale for a printable area of pageWidth x pageHeight printer pixels: the visible
    // area enlarged to fill the page in the limiting direction.
    double PrintScaleFor(int pageWidth, int pageHeight) const;

private:
    // Step 5 of SetView: fits the rectangle about its centre to the client size at `scale`.
    void FitToClient();
};

}  // namespace korvel
