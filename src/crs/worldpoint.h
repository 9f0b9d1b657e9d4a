#pragma once
// World coordinates shared by the projection maths and the map objects. Plain value types
// without vtables: they are copied by the million and compared bit for bit.

namespace korvel {

// A position in a document's coordinate system: x = easting or longitude (degrees, or metres
// for projected and web-mercator systems), y = northing or latitude; y grows to the north.
struct WorldPoint {
    double x = 0.0;
    double y = 0.0;

    friend bool operator==(const WorldPoint&, const WorldPoint&) = default;
};

// An axis-aligned world rectangle. The rectangle whose four values are all exactly 0 counts as
// empty: uniting into it copies the other rectangle, uniting it into another changes nothing.
// (A rectangle that really is the single point (0,0) is therefore empty as well.)
struct WorldRect {
    double minX = 0.0;
    double minY = 0.0;
    double maxX = 0.0;
    double maxY = 0.0;

    bool IsEmpty() const { return minX == 0.0 && minY == 0.0 && maxX == 0.0 && maxY == 0.0; }

    // Unites `r` into this rectangle with the empty-rectangle rule.
    void Unite(const WorldRect& r)
    {
        if (r.IsEmpty()) return;
        if (IsEmpty()) {
            *this = r;
            return;
        }
        if (r.minX < minX) minX = r.minX;
        if (r.minY < minY) minY = r.minY;
        if (r.maxX > maxX) maxX = r.maxX;
        if (r.maxY > maxY) maxY = r.maxY;
    }

    // Unites the degenerate rectangle at `p` (the same rule: while this rectangle is all zeros
    // the point replaces it).
    void Unite(const WorldPoint& p) { Unite(WorldRect{p.x, p.y, p.x, p.y}); }

    static WorldRect AtPoint(const WorldPoint& p) { return WorldRect{p.x, p.y, p.x, p.y}; }

    friend bool operator==(const WorldRect&, const WorldRect&) = default;
};

}  // namespace korvel
