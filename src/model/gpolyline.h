#pragma once
// GPolyline: a line of the map (tracks, measured lines) made of one or more rings, with the
// computed attribute "LAENGE".

#include "model/gobj.h"
#include "model/goblist.h"
#include "model/gring.h"

#include <memory>

namespace korvel {

class GPolyline : public GObj {
public:
    static const GRuntimeClass classGPolyline;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGPolyline; }

    static constexpr COLORREF kDefaultColor = 0x00E22B8A;
    static constexpr COLORREF kSelectedColor = 0x0000FFFF;  // yellow
    static constexpr double kFar = 2147483647.0;              // Distance when nothing is near

    GPolyline() { m_crColor = kDefaultColor; }
    // Takes `ring` as the first part (it is deleted when it cannot be stored).
    explicit GPolyline(std::unique_ptr<GRing> ring);

    // Appends `ring`, creating the ring list when missing. On success the object owns the
    // ring; false when memory runs out (the caller keeps it).
    bool AddRing(GRing* ring);
    size_t RingCount() const { return m_pRings ? m_pRings->GetCount() : 0; }

    // The GObj part and a deep copy of the rings; pen style and width are not copied.
    GClone* Clone(GClone* target = nullptr) const override;
    // Nearest perpendicular distance to a segment (document units); kFar when no segment's
    // perpendicular band holds `q`.
    double Distance(const WorldPoint& q) const override;
    bool Transform(TransformCallback callback, CoordTransform* params) override;
    void AddScreenRect(const ViewTransform& view, PixelRect& rect) const override;
    // Bounds of all vertices; m_ptPos := their centre.
    void CalcBounds() override;
    void Draw(GView& view, Canvas* dc, const PixelRect& clip) override;
    // "LAENGE" := total open length in document units, "%.3lf", format 0x0310.
    void UpdateInfo(int32_t crs) override;
    uint32_t GetType() const override { return GT_POLYLINE; }

    // The ring at list position `pos`, or null when that element is not a ring (a list read
    // from a foreign stream may hold anything).
    static GRing* RingAt(GObList::Position pos);

    // Widest pen a document may ask for (in pixels); wider ones read from a file are cut.
    static constexpr int32_t kMaxPenWidth = 100;

    std::unique_ptr<GObList> m_pRings;  // owning list of GRing, null until the first ring
    int32_t m_nPenStyle = PS_SOLID;
    int32_t m_nPenWidth = 3;

protected:
    bool CopyPolylineInto(GPolyline& t) const;
    // Distance to the nearest segment; `closed` starts each ring with its closing segment.
    double EdgeDistance(const WorldPoint& q, bool closed) const;
    Pen OutlinePen() const { return Pen{m_nPenStyle, m_nPenWidth, IsSelected() ? kSelectedColor : m_crColor}; }
};

// GPolygon: an area made of one or more rings, filled with a hatch (even-odd over all rings),
// with the computed attributes "UMFANG" and "FLAECHE". Its run-time class names GObj as its
// base, so a kind-of test for GPolyline is false for polygons: use the type codes.
class GPolygon : public GPolyline {
public:
    static const GRuntimeClass classGPolygon;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGPolygon; }

    static constexpr COLORREF kDefaultColor = 0x00FF0000;

    GPolygon() { m_crColor = kDefaultColor; }
    explicit GPolygon(std::unique_ptr<GRing> ring);

    GClone* Clone(GClone* target = nullptr) const override;
    // 0 inside, otherwise the distance to the nearest edge.
    double Distance(const WorldPoint& q) const override;
    void Draw(GView& view, Canvas* dc, const PixelRect& clip) override;
    // "UMFANG" (perimeter, "%.3lf", 0x0310) and "FLAECHE" (area / 10000, "%.4lf", 0x0410),
    // measured in UTM for web-mercator documents.
    void UpdateInfo(int32_t crs) override;
    uint32_t GetType() const override { return GT_POLYGON; }

    // Even-odd crossing test over all rings (a repeated closing vertex is tolerated; a ring
    // with fewer than three distinct vertices makes every point outside).
    bool IsInside(const WorldPoint& q) const;
    // Sum of ClosedLength and of SignedArea over all rings, in document units.
    void Measure(double* perimeter, double* area) const;
};

}  // namespace korvel
