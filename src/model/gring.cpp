#include "model/gring.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace korvel {

namespace {

GRootObject* CreateGRing() { return new (std::nothrow) GRing; }

double SegmentLength(const WorldPoint& a, const WorldPoint& b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

const GRuntimeClass GRing::classGRing = {"GRing", 1, &CreateGRing, &GClone::classGClone};

GRing::GRing() : GRing(3) {}

GRing::GRing(int32_t n)
{
    const int32_t cap = std::max<int32_t>(1, n);
    m_pPoints = static_cast<WorldPoint*>(std::malloc(sizeof(WorldPoint) * size_t(cap)));
    m_nCapacity = m_pPoints ? cap : 0;
}

GRing::~GRing() { std::free(m_pPoints); }

bool GRing::Resize(int32_t capacity)
{
    if (capacity <= 0) {
        std::free(m_pPoints);
        m_pPoints = nullptr;
        m_nCapacity = 0;
        return true;
    }
    auto* p = static_cast<WorldPoint*>(std::realloc(m_pPoints, sizeof(WorldPoint) * size_t(capacity)));
    if (!p) return false;
    m_pPoints = p;
    m_nCapacity = capacity;
    return true;
}

bool GRing::Add(const WorldPoint& p)
{
    if (!m_pPoints) return false;
    if (m_nCount >= m_nCapacity) {
        const int32_t grow = std::max<int32_t>(1, m_nGrowBy);
        if (m_nCapacity > std::numeric_limits<int32_t>::max() - grow) return false;
        if (!Resize(m_nCapacity + grow)) return false;
    }
    m_pPoints[m_nCount++] = p;
    return true;
}

bool GRing::Reserve(int32_t n, int32_t growBy)
{
    m_nGrowBy = std::max<int32_t>(1, growBy);
    if (!m_pPoints) return false;
    if (m_nCapacity < n && !Resize(n)) return false;
    m_nCount = std::min(m_nCount, m_nCapacity);
    return true;
}

bool GRing::Reverse()
{
    // In place: no temporary copy, so reversing cannot run out of memory.
    const int32_t n = ValidCount();
    if (n > 1) std::reverse(m_pPoints, m_pPoints + n);
    return true;
}

double GRing::OpenLength() const
{
    const int32_t n = ValidCount();
    double sum = 0.0;
    for (int32_t i = 0; i + 1 < n; ++i) sum += SegmentLength(m_pPoints[i], m_pPoints[i + 1]);
    return sum;
}

double GRing::ClosedLength() const
{
    const int32_t n = ValidCount();
    if (n < 2) return 0.0;
    return OpenLength() + SegmentLength(m_pPoints[n - 1], m_pPoints[0]);
}

double GRing::SignedArea() const
{
    const int32_t n = ValidCount();
    if (n < 3) return 0.0;
    double sum = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        const WorldPoint& a = m_pPoints[i];
        const WorldPoint& b = m_pPoints[i + 1 < n ? i + 1 : 0];
        sum += a.x * b.y - b.x * a.y;
    }
    return -0.5 * sum;
}

GClone* GRing::Clone(GClone* target) const
{
    GRing* t = nullptr;
    if (target) {
        t = dynamic_cast<GRing*>(target);
        if (!t) {
            delete target;
            return nullptr;
        }
    } else {
        t = new (std::nothrow) GRing;
        if (!t) return nullptr;
    }
    if (!t->Resize(m_nCapacity)) {
        delete t;
        return nullptr;
    }
    t->m_nGrowBy = m_nGrowBy;
    t->m_nCount = ValidCount();
    if (t->m_nCount > 0) std::memcpy(t->m_pPoints, m_pPoints, sizeof(WorldPoint) * size_t(t->m_nCount));
    return t;
}

}  // namespace korvel
