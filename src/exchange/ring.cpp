#include "exchange/ring.h"

#include <algorithm>
#include <new>

namespace korvel {

CRing::CRing(uint32_t capacity)
{
    m_points.reserve(std::max<uint32_t>(capacity, 1));
}

bool CRing::AddPoint(const WorldPoint& pt)
{
    try {
        m_points.push_back(pt);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

WorldRect CRing::GetBounds() const
{
    if (m_points.empty()) return WorldRect{};
    WorldRect r{m_points[0].x, m_points[0].y, m_points[0].x, m_points[0].y};
    for (const WorldPoint& p : m_points) {
        r.minX = std::min(r.minX, p.x);
        r.minY = std::min(r.minY, p.y);
        r.maxX = std::max(r.maxX, p.x);
        r.maxY = std::max(r.maxY, p.y);
    }
    return r;
}

}  // namespace korvel
