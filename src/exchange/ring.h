#pragma once
// CRing: one part of a polyline or polygon shape, its points in file order.

#include "crs/worldpoint.h"

#include <cstdint>
#include <vector>

namespace korvel {

class CRing {
public:
    // An empty ring with room for max(capacity, 1) points (x = easting or longitude first, in
    // the units of the file's coordinate system).
    explicit CRing(uint32_t capacity = 1);

    uint32_t GetCount() const { return static_cast<uint32_t>(m_points.size()); }
    const WorldPoint& GetPoint(uint32_t i) const { return m_points[i]; }
    const std::vector<WorldPoint>& GetPoints() const { return m_points; }
    std::vector<WorldPoint>& GetPoints() { return m_points; }

    // Appends a point; false only when out of memory.
    bool AddPoint(const WorldPoint& pt);

    // The smallest box around all points (all zero for a ring without points). Unlike the
    // union of boxes this is a plain minimum/maximum: a point at (0, 0) counts.
    WorldRect GetBounds() const;

    // Signed area of a ring read from a polygon record: positive for clockwise (outer) rings,
    // negative for holes; 0 until computed and for rings of fewer than 3 points.
    double m_dArea = 0.0;

private:
    std::vector<WorldPoint> m_points;
};

}  // namespace korvel
