#pragma once
// GRing: one part of a polyline or polygon, a growable array of world points (document units,
// x east, y north). A ring does not repeat its first vertex at the end.

#include "crs/worldpoint.h"
#include "model/gclone.h"

#include <cstdint>
#include <span>

namespace korvel {

class GRing : public GClone {
public:
    static const GRuntimeClass classGRing;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGRing; }

    // Capacity 3 (what the class factory makes), growth 10, empty.
    GRing();
    // Capacity max(1, n), growth 10, empty.
    explicit GRing(int32_t n);
    ~GRing() override;

    // Appends `p`; a full array grows by m_nGrowBy vertices. False, the ring unchanged, when
    // the array is missing or cannot grow.
    bool Add(const WorldPoint& p);
    // m_nGrowBy := max(1, growBy); raises the capacity to exactly n when it is smaller. False
    // when the array is missing or cannot be raised.
    bool Reserve(int32_t n, int32_t growBy);
    // Reverses the vertex order in place.
    bool Reverse();

    // Sum of the segment lengths p0..p(n-1); 0 below two vertices.
    double OpenLength() const;
    // OpenLength plus the closing segment; 0 below two vertices.
    double ClosedLength() const;
    // Shoelace area, positive for a clockwise ring (y to the north); 0 below three vertices.
    double SignedArea() const;

    // Copies growth, capacity, count and vertices into `target` (a GRing) or a new ring.
    GClone* Clone(GClone* target = nullptr) const override;

    // The vertices in use (never more than the array holds, whatever m_nCount says).
    std::span<const WorldPoint> Points() const { return {m_pPoints, size_t(ValidCount())}; }
    std::span<WorldPoint> Points() { return {m_pPoints, size_t(ValidCount())}; }
    int32_t GetCount() const { return ValidCount(); }

    int32_t m_nGrowBy = 10;
    int32_t m_nCapacity = 0;
    int32_t m_nCount = 0;
    WorldPoint* m_pPoints = nullptr;  // malloc'ed, owned; null when the first allocation failed

private:
    bool Resize(int32_t capacity);
    int32_t ValidCount() const
    {
        if (!m_pPoints || m_nCount <= 0) return 0;
        return m_nCount < m_nCapacity ? m_nCount : m_nCapacity;
    }
};

}  // namespace korvel
