#pragma once
// The records of a shapefile: CShape is the abstract record, CShapePoint, CShapePolyLine and
// CShapePolygon hold one point, polyline or polygon with their content as laid out in the
// main file. Coordinates are in the units of the file's coordinate system, x first.

#include "exchange/arraylist.h"
#include "exchange/ring.h"

#include "crs/worldpoint.h"

#include <cstdint>
#include <memory>

namespace korvel {

class DeviceReader;
class DeviceWriter;

inline constexpr int32_t SHPT_NULL = 0;
inline constexpr int32_t SHPT_POINT = 1;
inline constexpr int32_t SHPT_POLYLINE = 3;
inline constexpr int32_t SHPT_POLYGON = 5;

// A bounding box accumulated over the shapes of a file. Empty until the first box is united;
// after that a plain minimum/maximum, so that a shape at (0, 0) is inside the result.
struct ShapeBox {
    WorldRect rect;
    bool empty = true;

    void Unite(const WorldRect& r)
    {
        if (empty) {
            rect = r;
            empty = false;
            return;
        }
        if (r.minX < rect.minX) rect.minX = r.minX;
        if (r.minY < rect.minY) rect.minY = r.minY;
        if (r.maxX > rect.maxX) rect.maxX = r.maxX;
        if (r.maxY > rect.maxY) rect.maxY = r.maxY;
    }
};

class CShape {
public:
    virtual ~CShape() = default;
    CShape(const CShape&) = delete;
    CShape& operator=(const CShape&) = delete;

    // The record's box (all zero when it has none).
    virtual WorldRect GetBounds() const { return WorldRect{}; }
    // The shape type of the class (1, 3 or 5).
    virtual int32_t GetShapeType() const = 0;
    // Whether the record is written and read as a null record (too few points, no content).
    virtual bool IsNull() const { return true; }
    // Writes the record content (without the 8-byte record header).
    virtual void WriteContent(DeviceWriter& out) const = 0;
    // Refreshes the record's own box where it stores one, then unites it into `box` unless
    // the record is null.
    virtual void UniteBounds(ShapeBox& box) = 0;
    // Size of the content in bytes.
    virtual uint64_t GetContentSize() const = 0;
    // Reads the content of a record of `contentBytes` bytes, which the caller has checked to
    // be present. Returns the bytes consumed; anything other than contentBytes (0 for a stored
    // type other than `expectedType` or an inconsistent record) rejects the record. Allocation
    // failures are thrown as std::bad_alloc.
    virtual uint64_t ReadContent(DeviceReader& in, int32_t expectedType, uint64_t contentBytes) = 0;

protected:
    CShape() = default;
};

class CShapePoint : public CShape {
public:
    // A null point record (as created for reading).
    CShapePoint() = default;
    // A point at (x, y).
    CShapePoint(double x, double y) : m_nType(SHPT_POINT), m_dX(x), m_dY(y) {}

    WorldRect GetBounds() const override { return WorldRect{m_dX, m_dY, m_dX, m_dY}; }
    int32_t GetShapeType() const override { return SHPT_POINT; }
    bool IsNull() const override { return m_nType != SHPT_POINT; }
    void WriteContent(DeviceWriter& out) const override;
    void UniteBounds(ShapeBox& box) override;
    uint64_t GetContentSize() const override { return IsNull() ? 4 : 20; }
    uint64_t ReadContent(DeviceReader& in, int32_t expectedType, uint64_t contentBytes) override;

    int32_t m_nType = SHPT_NULL;  // the type stored in the record
    double m_dX = 0.0;
    double m_dY = 0.0;
};

class CShapePolyLine : public CShape {
public:
    CShapePolyLine();

    WorldRect GetBounds() const override { return m_box; }
    int32_t GetShapeType() const override { return SHPT_POLYLINE; }
    bool IsNull() const override;
    void WriteContent(DeviceWriter& out) const override;
    void UniteBounds(ShapeBox& box) override;
    uint64_t GetContentSize() const override;
    uint64_t ReadContent(DeviceReader& in, int32_t expectedType, uint64_t contentBytes) override;

    // Appends a ring with at least one point. A polygon closes an open ring by repeating its
    // first point. The record's type becomes the class's type once it holds points.
    bool AddRing(std::unique_ptr<CRing> ring);

    uint32_t GetRingCount() const { return m_rings.GetCount(); }
    const CRing* GetRing(uint32_t i) const { return m_rings[i]; }
    CRing* GetRing(uint32_t i) { return m_rings[i]; }
    int32_t GetStoredType() const { return m_nType; }
    uint32_t GetPointCount() const { return m_nPoints; }

protected:
    CArrayList<CRing> m_rings;
    // The content head as in the file: stored type, box, number of parts and points.
    int32_t m_nType = SHPT_NULL;
    WorldRect m_box;
    uint32_t m_nParts = 0;
    uint32_t m_nPoints = 0;
};

class CShapePolygon : public CShapePolyLine {
public:
    int32_t GetShapeType() const override { return SHPT_POLYGON; }
    // Reads like a polyline, then computes the ring areas and moves rings with larger areas
    // (outer rings) towards the front in one pass of neighbour exchanges.
    uint64_t ReadContent(DeviceReader& in, int32_t expectedType, uint64_t contentBytes) override;

    // The signed area rule used on reading: positive for clockwise rings.
    static double SignedArea(const std::vector<WorldPoint>& pts);
};

// An empty record of the given type (1, 3 or 5), or null for other types.
std::unique_ptr<CShape> CreateShape(int32_t shapeType);

}  // namespace korvel
