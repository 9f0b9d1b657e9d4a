#include "survey/trackline.h"

#include "model/gring.h"
#include "support/recordingcanvas.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::RecordingCanvas;
using test::RecordingView;

// A line going east one unit per vertex, then back west ten units higher.
std::unique_ptr<GTrackLine> Walk(int count)
{
    auto line = std::make_unique<GTrackLine>();
    for (int i = 0; i < count; ++i) {
        const bool back = i >= count / 2;
        const double x = back ? double(count - 1 - i) : double(i);
        EXPECT_TRUE(line->Append(WorldPoint{x, back ? 10.0 : 0.0}));
    }
    return line;
}

int DrawnVertices(const RecordingCanvas& canvas)
{
    int n = 0;
    for (const QString& call : canvas.CallsStartingWith(QStringLiteral("Polyline")))
        n += int(call.split(u' ', Qt::SkipEmptyParts).size() - 1) / 2;
    return n;
}

TEST(GTrackLine, AppendingWidensBoundsLikeARecomputation)
{
    auto line = Walk(1000);
    const WorldRect grown = line->m_rcBounds;
    const WorldPoint centre = line->m_ptPos;
    line->CalcBounds();
    EXPECT_EQ(grown.minX, line->m_rcBounds.minX);
    EXPECT_EQ(grown.maxX, line->m_rcBounds.maxX);
    EXPECT_EQ(grown.minY, line->m_rcBounds.minY);
    EXPECT_EQ(grown.maxY, line->m_rcBounds.maxY);
    EXPECT_EQ(centre, line->m_ptPos);
    EXPECT_EQ(line->ChunkCount(), size_t((1000 - 2) / GTrackLine::kChunk + 1));
}

TEST(GTrackLine, DrawsOnlyTheRunsNearTheClip)
{
    auto line = Walk(2000);
    RecordingView view(ViewTransform{-5.0, 20.0, 1.0});
    // The whole client: every vertex once, each run's shared vertex at most twice.
    line->Draw(view, &view.m_canvas, PixelRect{});
    EXPECT_EQ(DrawnVertices(view.m_canvas), 2000);

    // A small clip round x = 500 on the lower leg: a run or two, not the line.
    view.m_canvas.Clear();
    const PixelPoint at = view.m_vt.ToScreen(WorldPoint{500.0, 0.0});
    line->Draw(view, &view.m_canvas, PixelRect{at.x - 3, at.y - 3, at.x + 3, at.y + 3});
    const int drawn = DrawnVertices(view.m_canvas);
    EXPECT_GT(drawn, 0);
    EXPECT_LE(drawn, 2 * (GTrackLine::kChunk + 1));
    // The segment under the clip is among them.
    bool covered = false;
    for (const QString& call : view.m_canvas.CallsStartingWith(QStringLiteral("Polyline")))
        covered = covered || (call + u' ').contains(QStringLiteral(" %1 %2 ").arg(at.x).arg(at.y));
    EXPECT_TRUE(covered);

    // Printing draws everything.
    RecordingCanvas printer(true);
    line->Draw(view, &printer, PixelRect{at.x - 3, at.y - 3, at.x + 3, at.y + 3});
    EXPECT_EQ(DrawnVertices(printer), 2000);
}

TEST(GTrackLine, TakePolylineHandsOverTheVertices)
{
    auto line = Walk(300);
    line->m_crColor = 255;
    std::unique_ptr<GPolyline> plain = line->TakePolyline();
    EXPECT_EQ(plain->GetRuntimeClass(), &GPolyline::classGPolyline);
    ASSERT_EQ(plain->RingCount(), 1u);
    EXPECT_EQ(GPolyline::RingAt(plain->m_pRings->GetHeadPosition())->GetCount(), 300);
    EXPECT_EQ(plain->m_crColor, 255u);
    EXPECT_EQ(plain->m_rcBounds.maxY, 10.0);
    EXPECT_EQ(line->ring(), nullptr);
}

}  // namespace
}  // namespace korvel
