#pragma once
// Device pixel geometry: the integer points and rectangles that map objects hand to a Canvas.
// Plain value types without vtables; y grows downwards, x to the right.

#include <cstdint>

namespace korvel {

// A 64-bit pixel sum brought back into the 32-bit range, saturating at its ends. Pixel values
// can be the overflow value INT32_MIN (far-off or NaN coordinates, see ToPixelValue), and any
// offset added to one must not wrap around.
constexpr int32_t SaturatePixel(int64_t v)
{
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;

    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// A pixel rectangle in the graphics-interface convention: the right and bottom edges lie just
// outside the covered pixels. A rectangle "has area" when right > left and bottom > top.
struct PixelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool HasArea() const { return right > left && bottom > top; }
    bool IsAllZero() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }

    // Grows the rectangle by d pixels on each side (shrinks for negative d); edges saturate at
    // the ends of the 32-bit range.
    void Inflate(int32_t d)
    {
        left = SaturatePixel(int64_t(left) - d);
        top = SaturatePixel(int64_t(top) - d);
        right = SaturatePixel(int64_t(right) + d);
        bottom = SaturatePixel(int64_t(bottom) + d);
    }

    // The rectangle from (x0, y0) to (x1, y1), each value saturated into range.
    static constexpr PixelRect FromEdges(int64_t x0, int64_t y0, int64_t x1, int64_t y1)
    {
        return PixelRect{SaturatePixel(x0), SaturatePixel(y0), SaturatePixel(x1), SaturatePixel(y1)};
    }
    // The square of half-width r about c (right and bottom edge at c + r).
    static constexpr PixelRect Around(PixelPoint c, int32_t r)
    {
        return FromEdges(int64_t(c.x) - r, int64_t(c.y) - r, int64_t(c.x) + r, int64_t(c.y) + r);
    }

    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// p moved by (dx, dy), saturating.
constexpr PixelPoint OffsetPixel(PixelPoint p, int64_t dx, int64_t dy)
{
    return PixelPoint{SaturatePixel(int64_t(p.x) + dx), SaturatePixel(int64_t(p.y) + dy)};
}

// Converts an already rounded or truncated coordinate to a pixel value: values outside the
// signed 32-bit range (and NaN) become INT32_MIN, the graphics interface's overflow value.
int32_t ToPixelValue(double v);

// The smallest rectangle holding both a and b. A rectangle without area is ignored; when
// neither has area the result is all zeros.
PixelRect UnitePixelRects(const PixelRect& a, const PixelRect& b);

// The common part of a and b; all zeros when they do not overlap in an area.
PixelRect IntersectPixelRects(const PixelRect& a, const PixelRect& b);

// Turns pixel point p about the centre c by `angle` radians and scales its distance from c by
// k. With y growing downwards a positive angle turns counter-clockwise on screen. The result
// is rounded with floor(v + 0.5), so the same offsets always land on the same pixels.
PixelPoint RotatePoint(PixelPoint p, PixelPoint c, double angle, double k);

}  // namespace korvel
