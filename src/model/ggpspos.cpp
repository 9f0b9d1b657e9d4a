#include "model/ggpspos.h"

#include "model/gview.h"

#include <array>

namespace korvel {

GClone* GGpsPos::Clone(GClone* target) const
{
    // Only the GObj part travels: a copy made into a new marker has heading 0.
    return CloneAs<GGpsPos>(target, [this](GGpsPos& t) { return CopyObjInto(t); });
}

void GGpsPos::AddScreenRect(const ViewTransform& view, PixelRect& rect) const
{
    PixelRect r = view.ToScreen(m_rcBounds);
    r.Inflate(35);
    rect = UnitePixelRects(rect, r);
}

void GGpsPos::Draw(GView& view, Canvas* dc, const PixelRect&)
{
    dc = ResolveCanvas(view, dc);
    if (!dc || dc->IsPrinter()) return;
    // The arrow (pointing up, tip one pixel below the position) and three ticks, as offsets
    // from the position pixel with y growing downwards.
    static constexpr std::array<PixelPoint, 14> kShape = {{
        {0, 1}, {10, 15}, {4, 15}, {4, 30}, {-4, 30}, {-4, 15}, {-10, 15}, {0, 1},
        {0, -1}, {0, -10},
        {1, 0}, {10, 0},
        {-1, 0}, {-10, 0},
    }};
    const PixelPoint c = view.GetViewTransform().ToScreen(m_ptPos);
    std::array<PixelPoint, 14> pts;
    for (size_t i = 0; i < kShape.size(); ++i)
        pts[i] = RotatePoint(OffsetPixel(c, kShape[i].x, kShape[i].y), c, m_dHeading, 1.0);
    const Pen oldPen = dc->SelectPen(Pen{PS_SOLID, 0, m_crColor});
    const Brush oldBrush = dc->SelectBrush(Brush{BrushKind::Solid, m_crColor});
    dc->Polygon(std::span<const PixelPoint>(pts.data(), 8));
    dc->Line(pts[8], pts[9]);
    dc->Line(pts[10], pts[11]);
    dc->Line(pts[12], pts[13]);
    dc->SelectPen(oldPen);
    dc->SelectBrush(oldBrush);
}

}  // namespace korvel
