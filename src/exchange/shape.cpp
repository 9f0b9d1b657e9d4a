#include "exchange/shape.h"

#include "exchange/binaryio.h"

#include <vector>

namespace korvel {

// ---- point ----

void CShapePoint::WriteContent(DeviceWriter& out) const
{
    if (IsNull()) {
        out.Int32LE(SHPT_NULL);
        return;
    }
    out.Int32LE(SHPT_POINT);
    out.DoubleLE(m_dX);
    out.DoubleLE(m_dY);
}

void CShapePoint::UniteBounds(ShapeBox& box)
{
    if (!IsNull()) box.Unite(GetBounds());
}

uint64_t CShapePoint::ReadContent(DeviceReader& in, int32_t expectedType, uint64_t contentBytes)
{
    uint8_t b[20];
    if (contentBytes < 20 || !in.Read(b, 20)) return 0;
    m_nType = GetInt32LE(b);
    m_dX = GetDoubleLE(b + 4);
    m_dY = GetDoubleLE(b + 12);
    return m_nType == expectedType ? 20 : 0;
}

// ---- polyline ----

CShapePolyLine::CShapePolyLine() { m_rings.SetGrowStep(1); }

bool CShapePolyLine::IsNull() const
{
    if (m_nType == SHPT_POLYLINE) return m_nPoints < 2;
    if (m_nType == SHPT_POLYGON) return m_nPoints < 3;
    return true;
}

uint64_t CShapePolyLine::GetContentSize() const
{
    if (IsNull()) return 4;
    return 44 + 4 * uint64_t(m_nParts) + 16 * uint64_t(m_nPoints);
}

bool CShapePolyLine::AddRing(std::unique_ptr<CRing> ring)
{
    if (!ring || ring->GetCount() == 0) return false;
    if (GetShapeType() == SHPT_POLYGON) {
        const WorldPoint first = ring->GetPoint(0);
        const WorldPoint last = ring->GetPoint(ring->GetCount() - 1);
        if (first.x != last.x || first.y != last.y) {
            if (!ring->AddPoint(first)) return false;
        }
    }
    const uint64_t total = uint64_t(m_nPoints) + ring->GetCount();
    // Part and point counts are signed 32-bit numbers in the file.
    if (total > uint64_t(INT32_MAX) || m_nParts >= uint32_t(INT32_MAX)) return false;
    if (m_rings.Push(std::move(ring)) < 0) return false;
    ++m_nParts;
    m_nPoints = static_cast<uint32_t>(total);
    if (m_nPoints != 0) m_nType = GetShapeType();
    return true;
}

void CShapePolyLine::UniteBounds(ShapeBox& box)
{
    ShapeBox own;
    for (const auto& ring : m_rings) {
        if (ring->GetCount() > 0) own.Unite(ring->GetBounds());
    }
    m_box = own.rect;
    if (!IsNull() && !own.empty) box.Unite(m_box);
}

void CShapePolyLine::WriteContent(DeviceWriter& out) const
{
    if (IsNull()) {
        out.Int32LE(SHPT_NULL);
        return;
    }
    out.Int32LE(m_nType);
    out.DoubleLE(m_box.minX);
    out.DoubleLE(m_box.minY);
    out.DoubleLE(m_box.maxX);
    out.DoubleLE(m_box.maxY);
    out.Int32LE(static_cast<int32_t>(m_nParts));
    out.Int32LE(static_cast<int32_t>(m_nPoints));
    int32_t start = 0;
    for (const auto& ring : m_rings) {
        out.Int32LE(start);
        start += static_cast<int32_t>(ring->GetCount());
    }
    // Points as one block per ring; the byte order is fixed little-endian whatever the host.
    std::vector<uchar> block;
    for (const auto& ring : m_rings) {
        block.resize(size_t(ring->GetCount()) * 16);
        uchar* p = block.data();
        for (const WorldPoint& pt : ring->GetPoints()) {
            qToLittleEndian(pt.x, p);
            qToLittleEndian(pt.y, p + 8);
            p += 16;
        }
        out.Write(block.data(), static_cast<qint64>(block.size()));
    }
}

uint64_t CShapePolyLine::ReadContent(DeviceReader& in, int32_t expectedType, uint64_t contentBytes)
{
    m_rings.RemoveAll();
    uint8_t head[44];
    if (contentBytes < 44 || !in.Read(head, 44)) return 0;
    m_nType = GetInt32LE(head);
    m_box = WorldRect{GetDoubleLE(head + 4), GetDoubleLE(head + 12), GetDoubleLE(head + 20),
                      GetDoubleLE(head + 28)};
    const int32_t parts = GetInt32LE(head + 36);
    const int32_t points = GetInt32LE(head + 40);
    if (m_nType != expectedType || parts < 0 || points < 0) return 0;
    m_nParts = static_cast<uint32_t>(parts);
    m_nPoints = static_cast<uint32_t>(points);
    if (parts == 0) return 44;

    // The counts must describe exactly the content present before anything is allocated.
    const uint64_t size = 44 + 4 * uint64_t(parts) + 16 * uint64_t(points);
    if (size != contentBytes) return 0;
    std::vector<uint8_t> raw(size_t(parts) * 4);
    if (!in.Read(raw.data(), static_cast<qint64>(raw.size()))) return 0;
    std::vector<uint32_t> starts(static_cast<size_t>(parts));
    for (int32_t i = 0; i < parts; ++i) {
        const int32_t s = GetInt32LE(&raw[size_t(i) * 4]);
        // Parts start at 0, ascend strictly and lie inside the point array.
        if (s < 0 || s >= points || (i == 0 && s != 0) || (i > 0 && uint32_t(s) <= starts[size_t(i) - 1]))
            return 0;
        starts[size_t(i)] = static_cast<uint32_t>(s);
    }
    if (!m_rings.Reserve(static_cast<uint32_t>(parts))) throw std::bad_alloc();
    uint64_t consumed = 44 + 4 * uint64_t(parts);
    std::vector<uint8_t> block;
    for (int32_t i = 0; i < parts; ++i) {
        const uint32_t end = i + 1 < parts ? starts[size_t(i) + 1] : uint32_t(points);
        const uint32_t count = end - starts[size_t(i)];
        block.resize(size_t(count) * 16);
        if (!in.Read(block.data(), static_cast<qint64>(block.size()))) return 0;
        auto ring = std::make_unique<CRing>(count);
        std::vector<WorldPoint>& pts = ring->GetPoints();
        pts.resize(count);
        for (uint32_t j = 0; j < count; ++j) {
            pts[j].x = GetDoubleLE(&block[size_t(j) * 16]);
            pts[j].y = GetDoubleLE(&block[size_t(j) * 16 + 8]);
        }
        if (m_rings.Push(std::move(ring)) < 0) throw std::bad_alloc();
        consumed += 16 * uint64_t(count);
    }
    return consumed;
}

// ---- polygon ----

double CShapePolygon::SignedArea(const std::vector<WorldPoint>& p)
{
    const size_t n = p.size();
    if (n < 3) return 0.0;
    double sum = 0.0;
    for (size_t j = 0; j + 1 < n; ++j) sum += (p[j + 1].y + p[j].y) * (p[j].x - p[j + 1].x);
    // Zero for the closed rings of a valid file.
    sum += (p[n - 1].y - p[0].y) * (p[n - 1].x - p[0].x);
    return -0.5 * sum;
}

uint64_t CShapePolygon::ReadContent(DeviceReader& in, int32_t expectedType, uint64_t contentBytes)
{
    const uint64_t consumed = CShapePolyLine::ReadContent(in, expectedType, contentBytes);
    if (consumed != contentBytes) return consumed;
    for (const auto& ring : m_rings) ring->m_dArea = SignedArea(ring->GetPoints());
    // One pass of neighbour exchanges, not a full sort: an exchanged ring is compared again
    // with its new neighbour before moving on, so the smallest area ends up last.
    uint32_t i = 0;
    while (i + 1 < m_rings.GetCount()) {
        if (m_rings[i + 1]->m_dArea > m_rings[i]->m_dArea) {
            m_rings.Swap(i, i + 1);
        } else {
            ++i;
        }
    }
    return consumed;
}

std::unique_ptr<CShape> CreateShape(int32_t shapeType)
{
    switch (shapeType) {
    case SHPT_POINT:
        return std::make_unique<CShapePoint>();
    case SHPT_POLYLINE:
        return std::make_unique<CShapePolyLine>();
    case SHPT_POLYGON:
        return std::make_unique<CShapePolygon>();
    default:
        return nullptr;
    }
}

}  // namespace korvel
