#include "model/gpoint.h"

#include "model/gview.h"

#include <new>

namespace korvel {

namespace {
GRootObject* CreateGPoint() { return new (std::nothrow) GPoint; }
}  // namespace

const GRuntimeClass GPoint::classGPoint = {"GPoint", 1, &CreateGPoint, &GObj::classGObj};

GClone* GPoint::Clone(GClone* target) const
{
    return CloneAs<GPoint>(target, [this](GPoint& t) { return CopyObjInto(t); });
}

void GPoint::AddScreenRect(const ViewTransform& view, PixelRect& rect) const
{
    PixelRect r = view.ToScreen(m_rcBounds);
    r.Inflate(IsSelected() ? 9 : 5);
    rect = UnitePixelRects(rect, r);
}

void GPoint::Draw(GView& view, Canvas* dc, const PixelRect&)
{
    dc = ResolveCanvas(view, dc);
    if (!dc) return;
    const ViewTransform vt = view.GetViewTransform();
    const bool printing = dc->IsPrinter();
    const PixelPoint c = vt.ToPixel(m_ptPos, printing ? vt.printScale : vt.scale);
    int32_t r = 4;
    if (printing) {
        // Keep the symbol's screen size relative to the map on paper.
        r = ToPixelValue(vt.scale * 4.0 / vt.printScale + 0.5);
    } else if (IsSelected()) {
        for (const PixelPoint h : {OffsetPixel(c, -4, -4), OffsetPixel(c, -4, 4), OffsetPixel(c, 4, 4),
                                   OffsetPixel(c, 4, -4)})
            dc->InvertRect(PixelRect::Around(h, 2));
    }
    const Pen oldPen = dc->SelectPen(Pen{PS_SOLID, 0, m_crColor});
    const Brush oldBrush = dc->SelectBrush(Brush{BrushKind::Solid, m_crColor});
    dc->Ellipse(PixelRect::Around(c, r));
    dc->SelectPen(oldPen);
    dc->SelectBrush(oldBrush);
}

void GPoint::UpdateInfo(int32_t crs)
{
    WorldPoint p = m_ptPos;
    bool degrees = false;
    if (crs == CRS_WGS84) {
        degrees = true;
    } else if (crs == CRS_WEBMERCATOR) {
        CoordTransform ct{1, CRS_WEBMERCATOR, CRS_WGS84};
        TransformPoint(&p, &ct);
        degrees = true;
    } else if (crs == CRS_LOCAL) {
        degrees = p.x >= -180.0 && p.x <= 180.0 && p.y >= -90.0 && p.y <= 90.0;
    }
    const int decimals = degrees ? 6 : 3;
    const uint16_t format = degrees ? 0x0610 : 0x0310;
    try {
        SetInfo(QStringLiteral("RECHTS"), FormatInfoValue(p.x, decimals), format);
        SetInfo(QStringLiteral("HOCH"), FormatInfoValue(p.y, decimals), format);
    } catch (const std::bad_alloc&) {
        // No memory for the value text: the attributes keep their previous values.
    }
}

}  // namespace korvel
