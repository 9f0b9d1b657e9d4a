#include "model/gtext.h"

#include "model/gview.h"

#include <array>
#include <cmath>
#include <numbers>

namespace korvel {

namespace {

GRootObject* CreateGText() { return new (std::nothrow) GText; }

// Font heights are whole pixels: trunc(height / scale), toward zero.
int32_t PixelHeight(double height, double scale) { return ToPixelValue(std::trunc(height / scale)); }

double Radians(int32_t escapement)
{
    return escapement * std::numbers::pi / 1800.0;
}

// The corners (top left, top right, bottom right, bottom left) of a text box of `size` pixels
// turned about the anchor pixel a by the escapement: the box is placed with its top-left corner
// on a, widened for the slant of an italic font, moved by the anchor offset and turned.
std::array<PixelPoint, 4> TurnedBox(PixelPoint a, PixelSize size, bool italic, uint8_t anchor,
                                    int32_t escapement)
{
    PixelRect box = PixelRect::FromEdges(a.x, a.y, int64_t(a.x) + size.cx, int64_t(a.y) + size.cy);
    // Room for the slant.
    if (italic) box.right = SaturatePixel(box.right + (int64_t(box.bottom) - box.top + 5) / 6);
    const PixelPoint d = GText::AnchorOffset(anchor, SaturatePixel(int64_t(box.right) - box.left),
                                             SaturatePixel(int64_t(box.bottom) - box.top));
    box = PixelRect::FromEdges(int64_t(box.left) + d.x, int64_t(box.top) + d.y, int64_t(box.right) + d.x,
                               int64_t(box.bottom) + d.y);
    const double angle = Radians(escapement);
    return {RotatePoint({box.left, box.top}, a, angle, 1.0), RotatePoint({box.right, box.top}, a, angle, 1.0),
            RotatePoint({box.right, box.bottom}, a, angle, 1.0),
            RotatePoint({box.left, box.bottom}, a, angle, 1.0)};
}

// TurnedBox, remembered per box shape relative to the anchor pixel: turning costs four arc
// tangents, sines and cosines, and labelling lays out a million texts whose boxes come in a
// handful of shapes. Only where nothing can saturate is the result independent of a.
std::array<PixelPoint, 4> CachedTurnedBox(PixelPoint a, PixelSize size, bool italic, uint8_t anchor,
                                          int32_t escapement)
{
    constexpr int64_t kNear = int64_t(1) << 28;
    const auto inRange = [](int64_t v) { return v > -kNear && v < kNear; };
    if (!(inRange(a.x) && inRange(a.y) && inRange(size.cx) && inRange(size.cy))) {
        return TurnedBox(a, size, italic, anchor, escapement);
    }
    struct Shape {
        PixelSize size;
        bool italic = false;
        uint8_t anchor = 0;
        int32_t escapement = 0;
        bool operator==(const Shape&) const = default;
    };
    struct Turned {
        Shape shape;
        std::array<PixelPoint, 4> corners;
        bool known = false;
    };
    thread_local std::array<Turned, 16> turned;
    const Shape shape{size, italic, anchor, escapement};
    Turned& t =
        turned[(uint32_t(size.cx) * 31u + uint32_t(size.cy) * 7u + uint32_t(escapement)) % turned.size()];
    if (!t.known || !(t.shape == shape))
        t = Turned{shape, TurnedBox({0, 0}, size, italic, anchor, escapement), true};
    std::array<PixelPoint, 4> corners = t.corners;
    for (PixelPoint& c : corners) c = PixelPoint{a.x + c.x, a.y + c.y};
    return corners;
}

}  // namespace

const GRuntimeClass GText::classGText = {"GText", 1, &CreateGText, &GObj::classGObj};

PixelPoint GText::AnchorOffset(uint8_t anchor, int32_t width, int32_t height)
{
    // In 64 bits: a box made of overflow values may be as wide as the whole 32-bit range.
    const int64_t w = width, h = height;
    const auto at = [](int64_t x, int64_t y) { return PixelPoint{SaturatePixel(x), SaturatePixel(y)}; };
    switch (anchor) {
    case 2: return at((1 - w) / 2, 0);
    case 3: return at(-w, 0);
    case 4: return at(0, (1 - h) / 2);
    case 5: return at((1 - w) / 2, (1 - h) / 2);
    case 6: return at(1 - w, (1 - h) / 2);
    case 7: return at(0, -h);
    case 8: return at((1 - w) / 2, -h);
    case 9: return at(1 - w, -h);
    default: return {0, 0};
    }
}

double GText::Angle() const
{
    return Radians(m_lf.lfEscapement);
}

void GText::SetFont(const LogFont& lf, GView* view)
{
    m_lf = lf;
    if (view) {
        m_dHeight = lf.lfHeight * view->GetViewTransform().scale;
        Layout(*view);
    } else {
        m_dHeight = lf.lfHeight;
    }
}

bool GText::Layout(GView& view)
{
    Canvas* dc = view.GetWindowCanvas();
    if (!dc) return false;
    const ViewTransform vt = view.GetViewTransform();
    LogFont font = m_lf;
    font.lfEscapement = 0;
    font.lfHeight = PixelHeight(m_dHeight, vt.scale);
    const PixelSize size = dc->MeasureText(font, m_strText);
    const PixelPoint a = vt.ToScreen(m_ptPos);
    const std::array<PixelPoint, 4> corners =
        CachedTurnedBox(a, size, m_lf.lfItalic != 0, m_nAnchor, m_lf.lfEscapement);
    m_rcBounds = WorldRect{};
    for (const PixelPoint& c : corners) m_rcBounds.Unite(vt.ScreenPixelCentre(c));
    m_ptText = vt.ScreenPixelCentre(corners[0]);
    return true;
}

GClone* GText::Clone(GClone* target) const
{
    return CloneAs<GText>(target, [this](GText& t) {
        if (!CopyObjInto(t)) return false;
        t.m_lf = m_lf;
        t.m_dHeight = m_dHeight;
        t.m_nAnchor = m_nAnchor;
        t.m_strText = m_strText;
        t.m_ptText = m_ptText;
        return true;
    });
}

double GText::Distance(const WorldPoint& q) const
{
    const WorldRect& b = m_rcBounds;
    if (q.x >= b.minX && q.x <= b.maxX && q.y >= b.minY && q.y <= b.maxY) return 0.0;
    return 2147483647.0;
}

bool GText::IsEqual(const GObj& other, uint32_t flags) const
{
    if (GetType() != other.GetType()) return false;
    if (!(m_ptPos.x == other.m_ptPos.x && m_ptPos.y == other.m_ptPos.y)) return false;
    if (flags & EQ_FONT) {
        const auto* t = dynamic_cast<const GText*>(&other);
        if (!t || !(m_lf == t->m_lf)) return false;
    }
    return true;
}

bool GText::Transform(TransformCallback callback, CoordTransform* params)
{
    if (!callback(&m_ptPos, params)) return false;
    if (!callback(&m_ptText, params)) return false;
    WorldPoint lo{m_rcBounds.minX, m_rcBounds.minY};
    WorldPoint hi{m_rcBounds.maxX, m_rcBounds.maxY};
    if (!callback(&lo, params)) return false;
    if (!callback(&hi, params)) return false;
    const double oldHeight = std::fabs(m_rcBounds.maxY - m_rcBounds.minY);
    m_rcBounds = WorldRect{lo.x, lo.y, hi.x, hi.y};
    const double newHeight = std::fabs(hi.y - lo.y);
    // A text that was never laid out has no height to compare: keep its font height rather
    // than make it infinite.
    if (oldHeight > 0.0 && std::isfinite(newHeight)) m_dHeight = m_dHeight * newHeight / oldHeight;
    return true;
}

void GText::AddScreenRect(const ViewTransform& view, PixelRect& rect) const
{
    GObj::AddScreenRect(view, rect);
    rect.Inflate(4);
}

void GText::Draw(GView& view, Canvas* dc, const PixelRect&)
{
    dc = ResolveCanvas(view, dc);
    if (!dc) return;
    const ViewTransform vt = view.GetViewTransform();
    const bool printing = dc->IsPrinter();
    const double s = printing ? vt.printScale : vt.scale;
    const int32_t h = PixelHeight(m_dHeight, s);
    if (h > -3 && h < 3) return;  // too small to read: texts vanish when zooming out
    dc->SetBkMode(BkMode::Transparent);
    LogFont font = m_lf;
    font.lfHeight = h;
    const LogFont oldFont = dc->SelectFont(font);
    const COLORREF oldColor = dc->SetTextColor(m_crColor & 0x00FFFFFF);
    const bool outline = IsSelected() && !printing;
    const PixelPoint origin = vt.ToPixel(m_ptText, s);
    if (!outline) dc->TextOut(origin, m_strText);
    dc->SetTextColor(oldColor);
    dc->SelectFont(oldFont);
    if (!outline) return;

    // Selected on screen: the box outline and a cross on the anchor instead of the text.
    const Pen oldPen = dc->SelectPen(Pen{PS_SOLID, 0, m_crColor});
    LogFont flat = font;
    flat.lfEscapement = 0;
    const PixelSize size = dc->MeasureText(flat, m_strText);
    const double angle = Angle();
    const PixelPoint c = origin;
    const std::array<PixelPoint, 5> box = {
        c, RotatePoint(OffsetPixel(c, size.cx, 0), c, angle, 1.0),
        RotatePoint(OffsetPixel(c, size.cx, size.cy), c, angle, 1.0),
        RotatePoint(OffsetPixel(c, 0, size.cy), c, angle, 1.0), c};
    dc->Polyline(box);
    const PixelPoint a = vt.ToPixel(m_ptPos, s);
    dc->Line(OffsetPixel(a, -3, -3), OffsetPixel(a, 3, 3));
    dc->Line(OffsetPixel(a, -3, 2), OffsetPixel(a, 3, -4));
    dc->SelectPen(oldPen);
}

}  // namespace korvel
