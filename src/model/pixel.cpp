#include "model/pixel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace korvel {

int32_t ToPixelValue(double v)
{
    if (!(v >= -2147483648.0 && v <= 2147483647.0)) return INT32_MIN;
    return int32_t(v);
}

PixelRect UnitePixelRects(const PixelRect& a, const PixelRect& b)
{
    if (!a.HasArea()) return b.HasArea() ? b : PixelRect{};
    if (!b.HasArea()) return a;
    return PixelRect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                     std::max(a.bottom, b.bottom)};
}

PixelRect IntersectPixelRects(const PixelRect& a, const PixelRect& b)
{
    PixelRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
    return r.HasArea() ? r : PixelRect{};
}

PixelPoint RotatePoint(PixelPoint p, PixelPoint c, double angle, double k)
{
    // The offsets are integers, so the radius and angle are exact for the small marker shapes;
    // atan2(dx, dy) measures the angle from the downward y axis, which makes a positive turn
    // counter-clockwise on a screen whose y grows downwards.
    const double dx = double(p.x) - double(c.x);
    const double dy = double(p.y) - double(c.y);
    const double r = std::sqrt(dx * dx + dy * dy);
    const double theta = std::atan2(dx, dy);
    const double rx = std::floor(std::sin(theta + angle) * r * k + 0.5);
    const double ry = std::floor(std::cos(theta + angle) * r * k + 0.5);
    return PixelPoint{ToPixelValue(double(c.x) + rx), ToPixelValue(double(c.y) + ry)};
}

}  // namespace korvel
