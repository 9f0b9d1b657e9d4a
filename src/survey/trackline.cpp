#include "survey/trackline.h"

#include "model/canvas.h"
#include "model/gring.h"
#include "model/gview.h"

#include <algorithm>

namespace korvel {

GTrackLine::GTrackLine() : GPolyline(std::make_unique<GRing>()) {}

GRing* GTrackLine::ring() const
{
    if (!m_pRings || m_pRings->IsEmpty()) return nullptr;
    return RingAt(m_pRings->GetHeadPosition());
}

bool GTrackLine::Append(const WorldPoint& p)
{
    GRing* r = ring();
    if (!r) return false;
    const int32_t index = r->GetCount();
    try {
        // Vertex i closes the segment of run (i - 1) / kChunk; vertex 0 starts run 0.
        const size_t chunk = size_t(index > 0 ? (index - 1) / kChunk : 0);
        if (m_chunks.size() <= chunk) m_chunks.resize(chunk + 1);
        if (!r->Add(p)) return false;
        WorldRect& box = m_chunks[chunk];
        if (index > 0 && (index - 1) % kChunk == 0) box = WorldRect::AtPoint(r->Points()[size_t(index - 1)]);
        if (index == 0) box = WorldRect::AtPoint(p);
        box.minX = std::min(box.minX, p.x);
        box.minY = std::min(box.minY, p.y);
        box.maxX = std::max(box.maxX, p.x);
        box.maxY = std::max(box.maxY, p.y);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (index == 0) {
        m_rcBounds = WorldRect::AtPoint(p);
    } else {
        m_rcBounds.minX = std::min(m_rcBounds.minX, p.x);
        m_rcBounds.minY = std::min(m_rcBounds.minY, p.y);
        m_rcBounds.maxX = std::max(m_rcBounds.maxX, p.x);
        m_rcBounds.maxY = std::max(m_rcBounds.maxY, p.y);
    }
    m_ptPos = WorldPoint{(m_rcBounds.minX + m_rcBounds.maxX) / 2, (m_rcBounds.minY + m_rcBounds.maxY) / 2};
    return true;
}

void GTrackLine::Draw(GView& view, Canvas* dc, const PixelRect& clip)
{
    GRing* r = ring();
    dc = ResolveCanvas(view, dc);
    if (!r || !dc || dc->IsPrinter() || !clip.HasArea() || m_pRings->GetCount() != 1) {
        GPolyline::Draw(view, dc, clip);
        return;
    }
    const ViewTransform vt = view.GetViewTransform();
    const double s = vt.scale;
    PixelRect reach = clip;
    reach.Inflate(m_nPenWidth + 2);
    const std::span<const WorldPoint> pts = r->Points();
    const size_t n = pts.size();
    if (n == 0) return;
    const Pen oldPen = dc->SelectPen(OutlinePen());
    try {
        std::vector<PixelPoint> px;
        size_t runStart = 0;
        size_t runEnd = 0;  // vertices [runStart, runEnd] gathered, drawn when a gap follows
        bool open = false;
        auto flush = [&] {
            if (!open) return;
            px.clear();
            for (size_t i = runStart; i <= runEnd; ++i) px.push_back(vt.ToPixel(pts[i], s));
            dc->Polyline(px);
            open = false;
        };
        for (size_t k = 0; k < m_chunks.size(); ++k) {
            const size_t first = k * kChunk;
            if (first >= n) break;
            const size_t last = std::min(first + kChunk, n - 1);
            const PixelRect box = vt.ToPixel(m_chunks[k], s);
            const bool hits = !(box.right < reach.left || box.left > reach.right || box.bottom < reach.top ||
                                box.top > reach.bottom);
            if (!hits) {
                flush();
                continue;
            }
            if (!open) {
                runStart = first;
                open = true;
            }
            runEnd = last;
        }
        flush();
    } catch (const std::bad_alloc&) {
        // Too little memory for the pixel array: the line stays unpainted this time.
    }
    dc->SelectPen(oldPen);
}

std::unique_ptr<GPolyline> GTrackLine::TakePolyline()
{
    auto line = std::make_unique<GPolyline>();
    line->m_pRings = std::move(m_pRings);
    line->m_crColor = m_crColor;
    line->m_nPenStyle = m_nPenStyle;
    line->m_nPenWidth = m_nPenWidth;
    m_chunks.clear();
    line->CalcBounds();
    return line;
}

}  // namespace korvel
