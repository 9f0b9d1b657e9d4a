#pragma once
// Device pixel geometry: the integer points and rectangles that map objects hand to a Canvas.
// Plain value types without vtables; y grows downwards, x to the right.

#include <cstdint>

namespace korvel {

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

    // Grows the rectangle by d pixels on each side (shrinks for negative d).
    void Inflate(int32_t d)
    {
        left -= d;
        top -= d;
        right += d;
        bottom += d;
    }

    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

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
