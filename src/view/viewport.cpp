#include "view/viewport.h"

#include "crs/transform.h"

#include <algorithm>
#include <cmath>

namespace korvel {

PixelRect NormalisedRect(QPoint a, QPoint b)
{
    return PixelRect{std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.x(), b.x()),
                    std::max(a.y(), b.y())};
}

int32_t Viewport::RoundPixel(double v) { return ToPixelValue(v + 0.5); }

QPoint Viewport::WorldToScreen(const WorldPoint& p, double s) const
{
    return QPoint(RoundPixel((p.x - worldRect.minX) / s), RoundPixel((worldRect.maxY - p.y) / s));
}

PixelRect Viewport::WorldToScreen(const WorldRect& r, double s) const
{
    const QPoint tl = WorldToScreen(WorldPoint{r.minX, r.maxY}, s);
    const QPoint br = WorldToScreen(WorldPoint{r.maxX, r.minY}, s);
    return PixelRect{tl.x(), tl.y(), br.x(), br.y()};
}

WorldPoint Viewport::PixelCentreToWorld(QPoint px, double s) const
{
    return WorldPoint{(px.x() + 0.5) * s + worldRect.minX, worldRect.maxY - (px.y() + 0.5) * s};
}

WorldPoint Viewport::PixelCornerToWorld(QPoint px, double s) const
{
    return WorldPoint{px.x() * s + worldRect.minX, worldRect.maxY - px.y() * s};
}

WorldRect Viewport::PixelRectToWorld(const PixelRect& box, double s) const
{
    const PixelRect n = NormalisedRect(QPoint(box.left, box.top), QPoint(box.right, box.bottom));
    const WorldPoint tl = PixelCornerToWorld(QPoint(n.left, n.top), s);
    const WorldPoint br = PixelCornerToWorld(QPoint(n.right, n.bottom), s);
    return WorldRect{tl.x, br.y, br.x, tl.y};
}

double Viewport::Width() const { return std::fabs(worldRect.maxX - worldRect.minX); }
double Viewport::Height() const { return std::fabs(worldRect.maxY - worldRect.minY); }

WorldPoint Viewport::Centre() const
{
    return WorldPoint{(worldRect.minX + worldRect.maxX) / 2.0, (worldRect.minY + worldRect.maxY) / 2.0};
}

void Viewport::SetView(const WorldPoint* centre, double half)
{
    if (centre != nullptr) {
        if (half > 0.0) {
            worldRect = WorldRect{centre->x - half, centre->y - half, centre->x + half, centre->y + half};
        } else {
            const double hw = (worldRect.maxX - worldRect.minX) / 2.0;
            const double hh = (worldRect.maxY - worldRect.minY) / 2.0;
            worldRect = WorldRect{centre->x - hw, centre->y - hh, centre->x + hw, centre->y + hh};
        }
    }
    const double w = Width();
    const double h = Height();
    // When the rectangle already fits the window exactly in one direction, the scale was chosen
    // deliberately (a resize) and is kept; otherwise it is derived from the rectangle so that
    // the whole rectangle stays visible.
    if ((w - scale * clientWidth) != 0.0 && (h - scale * clientHeight) != 0.0) {
        if (clientWidth == 0 || clientHeight == 0)
            scale = 1.0;
        else
            scale = std::max(w / clientWidth, h / clientHeight);
    }
    if (scale < kMinScale) scale = kMinScale;
    FitToClient();
}

void Viewport::FitToClient()
{
    // A window without area would collapse the rectangle to its centre point and lose the
    // extent for good; the rectangle is kept as it is until the window has a size.
    if (clientWidth <= 0 || clientHeight <= 0) return;
    const double w = Width();
    const double h = Height();
    worldRect.minX += (w - scale * clientWidth) / 2.0;
    worldRect.maxX = worldRect.minX + scale * clientWidth;
    worldRect.maxY -= (h - scale * clientHeight) / 2.0;
    worldRect.minY = worldRect.maxY - scale * clientHeight;
}

void Viewport::FitBounds(const WorldRect& bounds, int crs)
{
    WorldRect r = bounds;
    const double w = r.maxX - r.minX;
    const double h = r.maxY - r.minY;
    if (w != 0.0 && h != 0.0) {
        const double margin = std::min(std::fabs(w), std::fabs(h)) / 20.0;
        r.minX -= margin;
        r.minY -= margin;
        r.maxX += margin;
        r.maxY += margin;
    } else if (crs == CRS_WGS84) {
        r = WorldRect{-180.0, -kMaxMercatorLat, 180.0, kMaxMercatorLat};
    } else if (crs == CRS_WEBMERCATOR) {
        WorldPoint sw{-180.0, -kMaxMercatorLat};
        WorldPoint ne{180.0, kMaxMercatorLat};
        CoordTransform params{1, CRS_WGS84, CRS_WEBMERCATOR};
        TransformPoint(&sw, &params);
        TransformPoint(&ne, &params);
        r = WorldRect{sw.x, sw.y, ne.x, ne.y};
    } else {
        r.minX -= 500.0;
        r.minY -= 500.0;
        r.maxX += 500.0;
        r.maxY += 500.0;
    }
    worldRect = r;
    SetView(nullptr, 0.0);
}

bool Viewport::Resize(int cx, int cy)
{
    if (cx <= 0 || cy <= 0) return false;
    clientWidth = cx;
    clientHeight = cy;
    if (worldRect.IsEmpty()) return true;
    const double sx = Width() / cx;
    const double sy = Height() / cy;
    scale = (sx > scale && sy > scale) ? std::min(sx, sy) : std::max(sx, sy);
    if (scale < kMinScale) scale = kMinScale;
    // The chosen scale is applied directly: re-deriving it from the rectangle would depend on
    // w / cx * cx reproducing w bit for bit.
    FitToClient();
    return false;
}

void Viewport::ZoomIn(const PixelRect& drag, QPoint pressPixel)
{
    if (drag.right - drag.left >= 2 && drag.bottom - drag.top >= 2) {
        worldRect = PixelRectToWorld(drag);
    } else {
        const WorldPoint c = PixelCentreToWorld(pressPixel);
        const double hw = Width() / 3.0;
        const double hh = Height() / 3.0;
        worldRect = WorldRect{c.x - hw, c.y - hh, c.x + hw, c.y + hh};
    }
    SetView(nullptr, 0.0);
}

void Viewport::ZoomOut(const PixelRect& drag, QPoint pressPixel)
{
    const double w = Width();
    const double h = Height();
    if (drag.right - drag.left >= 2 && drag.bottom - drag.top >= 2) {
        const WorldRect r = PixelRectToWorld(drag);
        const double gx = (w - (r.maxX - r.minX)) / 2.0;
        const double gy = (h - (r.maxY - r.minY)) / 2.0;
        worldRect.minX -= gx;
        worldRect.maxX += gx;
        worldRect.minY -= gy;
        worldRect.maxY += gy;
    } else {
        const WorldPoint c = PixelCentreToWorld(pressPixel);
        worldRect = WorldRect{c.x - 0.75 * w, c.y - 0.75 * h, c.x + 0.75 * w, c.y + 0.75 * h};
    }
    SetView(nullptr, 0.0);
}

void Viewport::Pan(QPoint press, QPoint release)
{
    const double ex = (press.x() - release.x()) * scale;
    const double ey = (press.y() - release.y()) * scale;
    worldRect.minX += ex;
    worldRect.maxX += ex;
    worldRect.minY -= ey;
    worldRect.maxY -= ey;
}

bool Viewport::Wheel(int delta, QPoint pixel)
{
    if (delta == 0) return false;
    double hw = Width() / 2.0;
    double hh = Height() / 2.0;
    if (delta < 0) {
        hw *= kWheelFactor;
        hh *= kWheelFactor;
    } else {
        hw /= kWheelFactor;
        hh /= kWheelFactor;
    }
    const WorldPoint c = PixelCentreToWorld(pixel);
    worldRect = WorldRect{c.x - hw, c.y - hh, c.x + hw, c.y + hh};
    SetView(nullptr, 0.0);
    return true;
}

double Viewport::PrintScaleFor(int pageWidth, int pageHeight) const
{
    if (clientWidth <= 0 || clientHeight <= 0 || pageWidth <= 0 || pageHeight <= 0) return scale;
    const double factor = std::min(static_cast<double>(pageWidth) / clientWidth,
                                   static_cast<double>(pageHeight) / clientHeight);
    return scale / factor;
}

}  // namespace korvel
