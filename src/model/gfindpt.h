#pragma once
// GFindPt: the marker of a point found by the find command. Lives only in the view, is never
// written to a document and reports itself as a plain GObj.

#include "model/gobj.h"

namespace korvel {

class GFindPt : public GObj {
public:
    static constexpr COLORREF kDefaultColor = 0x000000FF;
    static constexpr double kReach = 35.0;  // world units around the position

    GFindPt() { m_crColor = kDefaultColor; }

    // Places the marker at `pos` (document units) with bounds pos +- 35; `text` is the number of
    // the found point (empty for a bare position).
    void SetPos(const WorldPoint& pos, const QString& text);

    GClone* Clone(GClone* target = nullptr) const override;
    void AddScreenRect(const ViewTransform& view, PixelRect& rect) const override;
    void CalcBounds() override;
    void Draw(GView& view, Canvas* dc, const PixelRect& clip) override;

    QString m_strText;
};

}  // namespace korvel
