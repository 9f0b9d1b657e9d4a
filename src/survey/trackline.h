#pragma once
// GTrackLine: the line being recorded. A polyline with one ring that keeps the bounds of each
// run of 128 vertices, so that appending a vertex and drawing the part of the line inside a
// small clip rectangle cost the same however long the walk has been. It lives only in the view
// while recording; the document receives a plain polyline made from it.

#include "model/gpolyline.h"

#include <memory>
#include <vector>

namespace korvel {

class GTrackLine : public GPolyline {
public:
    static constexpr int kChunk = 128;

    GTrackLine();

    // The recorded vertices (the first ring).
    GRing* ring() const;
    // Appends `p` to the ring and widens the line's bounds and the last run's bounds by it.
    // False, nothing changed, when the ring cannot grow.
    bool Append(const WorldPoint& p);
    // Draws only the runs whose bounds reach into `clip` (the whole line for an empty clip).
    void Draw(GView& view, Canvas* dc, const PixelRect& clip) override;
    // A plain polyline with this line's rings, colour and pen; this line is left empty.
    std::unique_ptr<GPolyline> TakePolyline();

    size_t ChunkCount() const { return m_chunks.size(); }

private:
    // m_chunks[k] holds the bounds of vertices k*kChunk … (k+1)*kChunk (the run's segments,
    // sharing its last vertex with the next run).
    std::vector<WorldRect> m_chunks;
};

}  // namespace korvel
