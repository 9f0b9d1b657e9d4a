#pragma once
// GGpsPos: the GPS position marker, an arrow turned along the direction of travel. Lives only
// in the view, is never written to a document and reports itself as a plain GObj.

#include "model/gobj.h"

namespace korvel {

class GGpsPos : public GObj {
public:
    static constexpr COLORREF kDefaultColor = 0x000000FF;

    GGpsPos() { m_crColor = kDefaultColor; }

    GClone* Clone(GClone* target = nullptr) const override;
    void AddScreenRect(const ViewTransform& view, PixelRect& rect) const override;
    void Draw(GView& view, Canvas* dc, const PixelRect& clip) override;

    // Rotation of the arrow in radians, counter-clockwise on screen; 0 points up.
    double m_dHeading = 0.0;
};

}  // namespace korvel
