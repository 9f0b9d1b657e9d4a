#include "model/gfindpt.h"

#include "model/gview.h"

namespace korvel {

void GFindPt::SetPos(const WorldPoint& pos, const QString& text)
{
    m_ptPos = pos;
    CalcBounds();
    m_strText = text;
}

GClone* GFindPt::Clone(GClone* target) const
{
    // Only the GObj part travels: a copy made into a new marker has no text.
    return CloneAs<GFindPt>(target, [this](GFindPt& t) { return CopyObjInto(t); });
}

void GFindPt::CalcBounds()
{
    m_rcBounds = WorldRect{m_ptPos.x - kReach, m_ptPos.y - kReach, m_ptPos.x + kReach, m_ptPos.y + kReach};
}

void GFindPt::AddScreenRect(const ViewTransform& view, PixelRect& rect) const
{
    PixelRect r;
    if (view.scale > 1.0) {
        // Zoomed out the marker has a fixed pixel size around its position.
        const PixelPoint c = view.ToScreen(m_ptPos);
        r = PixelRect::Around(c, 15);
    } else {
        r = view.ToScreen(m_rcBounds);
    }
    rect = UnitePixelRects(rect, r);
}

void GFindPt::Draw(GView& view, Canvas* dc, const PixelRect&)
{
    dc = ResolveCanvas(view, dc);
    if (!dc || dc->IsPrinter()) return;
    const ViewTransform vt = view.GetViewTransform();
    PixelRect cross;
    Pen oldPen;
    if (vt.scale > 1.0) {
        oldPen = dc->SelectPen(Pen{PS_SOLID, 3, m_crColor});
        const PixelPoint c = vt.ToScreen(m_ptPos);
        PixelRect circle = PixelRect::Around(c, 9);
        dc->Arc(circle);
        cross = circle;
        cross.Inflate(4);
    } else {
        oldPen = dc->SelectPen(Pen{PS_SOLID, 1, m_crColor});
        for (const double radius : {1.0, 5.0, 10.0, 20.0, 30.0}) {
            const WorldRect sq{m_ptPos.x - radius, m_ptPos.y - radius, m_ptPos.x + radius, m_ptPos.y + radius};
            dc->Arc(vt.ToScreen(sq));
        }
        cross = vt.ToScreen(WorldRect{m_ptPos.x - kReach, m_ptPos.y - kReach, m_ptPos.x + kReach, m_ptPos.y + kReach});
    }
    const int32_t cx = int32_t((int64_t(cross.left) + cross.right) / 2);
    const int32_t cy = int32_t((int64_t(cross.top) + cross.bottom) / 2);
    dc->Line(PixelPoint{cross.left, cy}, PixelPoint{cross.right, cy});
    dc->Line(PixelPoint{cx, cross.top}, PixelPoint{cx, cross.bottom});
    dc->SelectPen(oldPen);
}

}  // namespace korvel
