#include "model/gpolyline.h"

#include "model/gview.h"

#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace korvel {

namespace {

GRootObject* CreateGPolyline() { return new (std::nothrow) GPolyline; }
GRootObject* CreateGPolygon() { return new (std::nothrow) GPolygon; }

bool Between(double v, double a, double b) { return a <= b ? (a <= v && v <= b) : (b <= v && v <= a); }

// The foot of the perpendicular from q on segment a-b, when it falls within the segment.
bool FootPoint(const WorldPoint& q, const WorldPoint& a, const WorldPoint& b, WorldPoint* f)
{
    if (a.x == b.x && a.y == b.y) {
        *f = a;
        return true;
    }
    if (a.y == b.y) {
        if (!Between(q.x, a.x, b.x)) return false;
        *f = WorldPoint{q.x, a.y};
        return true;
    }
    if (a.x == b.x) {
        if (!Between(q.y, a.y, b.y)) return false;
        *f = WorldPoint{a.x, q.y};
        return true;
    }
    const double m = (b.y - a.y) / (b.x - a.x);
    const double t = a.y - m * a.x;
    const double fx = (q.y + q.x / m - t) / (m + 1.0 / m);
    const double fy = m * fx + t;
    if (!Between(fx, a.x, b.x) || !Between(fy, a.y, b.y)) return false;
    *f = WorldPoint{fx, fy};
    return true;
}

}  // namespace

const GRuntimeClass GPolyline::classGPolyline = {"GPolyline", 1, &CreateGPolyline, &GObj::classGObj};
// Named with GObj as base on purpose (see the class comment).
const GRuntimeClass GPolygon::classGPolygon = {"GPolygon", 1, &CreateGPolygon, &GObj::classGObj};

GRing* GPolyline::RingAt(GObList::Position pos)
{
    GRootObject* o = GObList::GetAt(pos);
    return o && o->GetRuntimeClass() == &GRing::classGRing ? static_cast<GRing*>(o) : nullptr;
}

GPolyline::GPolyline(std::unique_ptr<GRing> ring) : GPolyline()
{
    if (ring && AddRing(ring.get())) ring.release();
}

GPolygon::GPolygon(std::unique_ptr<GRing> ring) : GPolygon()
{
    if (ring && AddRing(ring.get())) ring.release();
}

bool GPolyline::AddRing(GRing* ring)
{
    if (!ring) return false;
    if (!m_pRings) {
        m_pRings.reset(new (std::nothrow) GObList(true));
        if (!m_pRings) return false;
    }
    return m_pRings->AddTail(ring) != nullptr;
}

bool GPolyline::CopyPolylineInto(GPolyline& t) const
{
    std::unique_ptr<GObList> rings;
    if (m_pRings) {
        rings.reset(m_pRings->CloneList(nullptr));
        if (!rings) return false;
    }
    if (!CopyObjInto(t)) return false;
    t.m_pRings = std::move(rings);
    return true;
}

GClone* GPolyline::Clone(GClone* target) const
{
    return CloneAs<GPolyline>(target, [this](GPolyline& t) { return CopyPolylineInto(t); });
}

GClone* GPolygon::Clone(GClone* target) const
{
    return CloneAs<GPolygon>(target, [this](GPolygon& t) { return CopyPolylineInto(t); });
}

double GPolyline::EdgeDistance(const WorldPoint& q, bool closed) const
{
    double best = kFar;
    if (!m_pRings) return best;
    auto consider = [&](const WorldPoint& a, const WorldPoint& b) {
        WorldPoint f;
        if (!FootPoint(q, a, b, &f)) return;
        const double dx = q.x - f.x;
        const double dy = q.y - f.y;
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d < best) best = d;
    };
    for (GObList::Position p = m_pRings->GetHeadPosition(); p; p = p->pNext) {
        const GRing* ring = RingAt(p);
        if (!ring || ring->GetCount() < 2) continue;
        const auto pts = ring->Points();
        if (closed) consider(pts.back(), pts.front());
        for (size_t i = 0; i + 1 < pts.size(); ++i) consider(pts[i], pts[i + 1]);
    }
    return best;
}

double GPolyline::Distance(const WorldPoint& q) const { return EdgeDistance(q, false); }

bool GPolyline::Transform(TransformCallback callback, CoordTransform* params)
{
    if (!callback(&m_ptPos, params)) return false;
    if (!m_pRings) return true;
    for (GObList::Position p = m_pRings->GetHeadPosition(); p; p = p->pNext) {
        GRing* ring = RingAt(p);
        if (!ring) continue;
        for (WorldPoint& v : ring->Points())
            if (!callback(&v, params)) return false;
    }
    return true;
}

void GPolyline::AddScreenRect(const ViewTransform& view, PixelRect& rect) const
{
    GObj::AddScreenRect(view, rect);
    rect.Inflate(int32_t((int64_t(m_nPenWidth) + 2) / 2));
}

void GPolyline::CalcBounds()
{
    m_rcBounds = WorldRect{};
    if (m_pRings) {
        for (GObList::Position p = m_pRings->GetHeadPosition(); p; p = p->pNext)
            if (const GRing* ring = RingAt(p))
                for (const WorldPoint& v : ring->Points()) m_rcBounds.Unite(v);
    }
    m_ptPos = WorldPoint{(m_rcBounds.minX + m_rcBounds.maxX) / 2, (m_rcBounds.minY + m_rcBounds.maxY) / 2};
}

void GPolyline::Draw(GView& view, Canvas* dc, const PixelRect&)
{
    if (!m_pRings || m_pRings->IsEmpty()) return;
    dc = ResolveCanvas(view, dc);
    if (!dc) return;
    const ViewTransform vt = view.GetViewTransform();
    const double s = dc->IsPrinter() ? vt.printScale : vt.scale;
    const Pen oldPen = dc->SelectPen(OutlinePen());
    try {
        std::vector<PixelPoint> px;
        for (GObList::Position p = m_pRings->GetHeadPosition(); p; p = p->pNext) {
            const GRing* ring = RingAt(p);
            if (!ring || ring->GetCount() < 1) continue;
            px.clear();
            px.reserve(size_t(ring->GetCount()));
            for (const WorldPoint& v : ring->Points()) px.push_back(vt.ToPixel(v, s));
            dc->Polyline(px);
        }
    } catch (const std::bad_alloc&) {
        // Too little memory for the pixel array: the line stays unpainted this time.
    }
    dc->SelectPen(oldPen);
}

void GPolyline::UpdateInfo(int32_t)
{
    double length = 0.0;
    if (m_pRings)
        for (GObList::Position p = m_pRings->GetHeadPosition(); p; p = p->pNext)
            if (const GRing* ring = RingAt(p)) length += ring->OpenLength();
    try {
        SetInfo(QStringLiteral("LAENGE"), FormatInfoValue(length, 3), 0x0310);
    } catch (const std::bad_alloc&) {
        // No memory for the value text: the attribute keeps its previous value.
    }
}

bool GPolygon::IsInside(const WorldPoint& q) const
{
    if (!m_pRings) return false;
    int crossings = 0;
    for (GObList::Position p = m_pRings->GetHeadPosition(); p; p = p->pNext) {
        const GRing* ring = RingAt(p);
        if (!ring) continue;
        const auto pts = ring->Points();
        size_t n = pts.size();
        // A closing vertex stored bit for bit equal to the first is not an edge of its own.
        if (n > 0 && std::memcmp(&pts[n - 1], &pts[0], sizeof(WorldPoint)) == 0) --n;
        if (n < 3) return false;
        for (size_t i = 0; i < n; ++i) {
            const WorldPoint& a = pts[i];
            const WorldPoint& b = pts[i + 1 < n ? i + 1 : 0];
            if ((q.y > a.y && q.y > b.y) || (q.y < a.y && q.y < b.y)) continue;
            if (q.x < a.x && q.x < b.x) {
                ++crossings;
                continue;
            }
            if (q.x > a.x && q.x > b.x) continue;
            const double xc = a.x + (q.y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (q.x < xc) ++crossings;
        }
    }
    return (crossings & 1) != 0;
}

double GPolygon::Distance(const WorldPoint& q) const
{
    if (IsInside(q)) return 0.0;
    return EdgeDistance(q, true);
}

void GPolygon::Draw(GView& view, Canvas* dc, const PixelRect&)
{
    if (!m_pRings || m_pRings->IsEmpty()) return;
    dc = ResolveCanvas(view, dc);
    if (!dc) return;
    const ViewTransform vt = view.GetViewTransform();
    const double s = dc->IsPrinter() ? vt.printScale : vt.scale;
    std::vector<PixelPoint> px;
    std::vector<int32_t> counts;
    try {
        for (GObList::Position p = m_pRings->GetHeadPosition(); p; p = p->pNext) {
            const GRing* ring = RingAt(p);
            if (!ring || ring->GetCount() < 1) continue;
            for (const WorldPoint& v : ring->Points()) px.push_back(vt.ToPixel(v, s));
            counts.push_back(ring->GetCount());
        }
    } catch (const std::bad_alloc&) {
        return;  // too little memory for the pixel array: the area stays unpainted this time
    }
    if (counts.empty()) return;
    dc->SetBkMode(BkMode::Transparent);
    const Pen pen = OutlinePen();
    const Pen oldPen = dc->SelectPen(pen);
    const Brush oldBrush = dc->SelectBrush(Brush{BrushKind::HatchBDiagonal, pen.color});
    if (counts.size() == 1)
        dc->Polygon(px);
    else
        dc->PolyPolygon(px, counts);
    dc->SelectPen(oldPen);
    dc->SelectBrush(oldBrush);
}

void GPolygon::Measure(double* perimeter, double* area) const
{
    *perimeter = 0.0;
    *area = 0.0;
    if (!m_pRings) return;
    for (GObList::Position p = m_pRings->GetHeadPosition(); p; p = p->pNext) {
        if (const GRing* ring = RingAt(p)) {
            *perimeter += ring->ClosedLength();
            *area += ring->SignedArea();
        }
    }
}

void GPolygon::UpdateInfo(int32_t crs)
{
    double perimeter = 0.0;
    double area = 0.0;
    bool measured = false;
    if (crs == CRS_WEBMERCATOR) {
        // Web-mercator metres are stretched away from the equator; measure in UTM instead.
        std::unique_ptr<GClone> copy(Clone(nullptr));
        if (copy) {
            auto* poly = static_cast<GPolygon*>(copy.get());
            CoordTransform ct{1, CRS_WEBMERCATOR, CRS_UTM_AUTO};
            poly->Transform(&TransformPoint, &ct);
            poly->Measure(&perimeter, &area);
            measured = true;
        }
    }
    if (!measured) Measure(&perimeter, &area);
    try {
        SetInfo(QStringLiteral("UMFANG"), FormatInfoValue(perimeter, 3), 0x0310);
        SetInfo(QStringLiteral("FLAECHE"), FormatInfoValue(area / 10000.0, 4), 0x0410);
    } catch (const std::bad_alloc&) {
        // No memory for the value text: the attributes keep their previous values.
    }
}

}  // namespace korvel
