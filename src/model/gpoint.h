#pragma once
// GPoint: a measured or imported point, drawn as a small filled circle. Carries the computed
// attributes "RECHTS" and "HOCH" (and "PTNR" when measured).

#include "model/gobj.h"

namespace korvel {

class GPoint : public GObj {
public:
    static const GRuntimeClass classGPoint;
    const GRuntimeClass* GetRuntimeClass() const override { return &classGPoint; }

    static constexpr COLORREF kDefaultColor = 0x001E9E1B;

    GPoint() { m_crColor = kDefaultColor; }
    // A point at `pos` (document units) with degenerate bounds there.
    explicit GPoint(const WorldPoint& pos)
    {
        m_crColor = kDefaultColor;
        m_ptPos = pos;
        m_rcBounds = WorldRect::AtPoint(pos);
    }

    GClone* Clone(GClone* target = nullptr) const override;
    void AddScreenRect(const ViewTransform& view, PixelRect& rect) const override;
    void Draw(GView& view, Canvas* dc, const PixelRect& clip) override;
    // "RECHTS" and "HOCH" from m_ptPos: degrees with six decimals for 4326, for 900913 (the
    // position converted to 4326) and for a local system whose values lie in the degree range;
    // otherwise three decimals.
    void UpdateInfo(int32_t crs) override;
    uint32_t GetType() const override { return GT_POINT; }
};

}  // namespace korvel
