#include "survey/measurecontroller.h"

#include "model/gfindpt.h"
#include "model/ggpspos.h"
#include "model/gpolyline.h"
#include "support/documentcontent.h"
#include "surveytestsupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>

#include <numbers>

namespace korvel {
namespace {

using test::MessageRecorder;
using test::ObjectsOfType;
using test::Report;
using test::SurveyFixture;

constexpr std::int32_t kGk3 = 31467;
const WorldPoint kStart{3500000.0, 5500000.0};

TEST(InnerRectangle, ShrinksBy17PercentOfTheSmallerSide)
{
    const WorldRect inner = InnerRectangle(WorldRect{0, 0, 1000, 500});
    EXPECT_DOUBLE_EQ(inner.minX, 85.0);
    EXPECT_DOUBLE_EQ(inner.maxX, 915.0);
    EXPECT_DOUBLE_EQ(inner.minY, 85.0);
    EXPECT_DOUBLE_EQ(inner.maxY, 415.0);
}

TEST(FramePositionAndMarker, ZoomsInToFiftyUnitsOrOutWithAMargin)
{
    const WorldRect window{0, 0, 1000, 1000};
    WorldRect out;
    // 30 units apart: 30 + 2 x 9 = 48 wide, 18 high, each widened to 50 about the box.
    ASSERT_TRUE(FramePositionAndMarker(window, WorldPoint{500, 500}, WorldPoint{530, 500}, &out));
    EXPECT_DOUBLE_EQ(out.maxX - out.minX, 50.0);
    EXPECT_DOUBLE_EQ(out.maxY - out.minY, 50.0);
    EXPECT_DOUBLE_EQ((out.minX + out.maxX) / 2, 515.0);
    EXPECT_DOUBLE_EQ((out.minY + out.maxY) / 2, 500.0);
    // Both inside but far apart (a quarter of the inner width or more): the view stays.
    EXPECT_FALSE(FramePositionAndMarker(window, WorldPoint{300, 500}, WorldPoint{700, 500}, &out));
    // A window whose inner rectangle is 51 units or less stays as well.
    EXPECT_FALSE(
        FramePositionAndMarker(WorldRect{0, 0, 70, 70}, WorldPoint{34, 34}, WorldPoint{36, 34}, &out));
    // The marker outside the inner rectangle: zoom out, margin 30 % of the larger extent.
    ASSERT_TRUE(FramePositionAndMarker(window, WorldPoint{500, 500}, WorldPoint{2500, 1500}, &out));
    EXPECT_DOUBLE_EQ(out.minX, 500.0 - 600.0);
    EXPECT_DOUBLE_EQ(out.maxX, 2500.0 + 600.0);
    EXPECT_DOUBLE_EQ(out.minY, 500.0 - 600.0);
    EXPECT_DOUBLE_EQ(out.maxY, 1500.0 + 600.0);
}

class MeasureControllerTest : public SurveyFixture {
protected:
    void SetUp() override
    {
        SharedMeasureState() = MeasureShared{};
        Open(kGk3);
    }
    // One recording tick after the receiver reported `p` (document units).
    void TickAt(const WorldPoint& p, double course = 0.0)
    {
        ASSERT_TRUE(gps.SendAt(p, kGk3, course));
        measuring().OnMeasureTimer(CMeasureController::kTimerTrack);
    }
    int TrackPoints()
    {
        GPolyline* t = view->track();
        if (!t || !t->m_pRings) return -1;
        return GPolyline::RingAt(t->m_pRings->GetHeadPosition())->GetCount();
    }
    std::vector<WorldPoint> TrackVertices()
    {
        GRing* r = GPolyline::RingAt(view->track()->m_pRings->GetHeadPosition());
        return {r->Points().begin(), r->Points().end()};
    }
};

TEST_F(MeasureControllerTest, StandingStillGivesOnePointAndA400UnitWindow)
{
    measuring().StartTrack();
    EXPECT_EQ(measuring().measureMode(), CMeasureController::kModeTrack);
    ASSERT_NE(view->track(), nullptr);
    EXPECT_EQ(view->track()->m_crColor, kTrackColor);
    EXPECT_EQ(view->track()->m_nPenWidth, 3);
    ASSERT_NE(view->positionMarker(), nullptr);
    EXPECT_TRUE(measuring().timerActive(CMeasureController::kTimerTrack));
    EXPECT_EQ(measuring().trackPeriodMs(), 1000);
    EXPECT_FALSE(host.pauseGreyed);

    for (int i = 0; i < 4; ++i) TickAt(kStart);
    EXPECT_EQ(TrackPoints(), 1);
    const WorldRect w = view->GetWorldRect();
    EXPECT_NEAR(w.maxX - w.minX, 400.0, 1e-6);
    EXPECT_NEAR(w.maxY - w.minY, 400.0, 1e-6);
    EXPECT_NEAR(view->GetViewport().Centre().x, kStart.x, 1e-3);
    EXPECT_NEAR(view->positionMarker()->m_ptPos.x, kStart.x, 1e-3);
}

TEST_F(MeasureControllerTest, MovingInsideRepaintsOnlyWhileLeavingTheInnerRectangleRecentres)
{
    measuring().StartTrack();
    TickAt(kStart);
    const WorldRect first = view->GetWorldRect();
    TickAt(WorldPoint{kStart.x + 50, kStart.y + 20});
    EXPECT_EQ(TrackPoints(), 2);
    EXPECT_EQ(view->GetWorldRect().minX, first.minX) << "inside the inner rectangle the view stays";
    // The bounds grew with the new point alone.
    EXPECT_NEAR(view->track()->m_rcBounds.maxX, kStart.x + 50, 1e-3);
    EXPECT_NEAR(view->track()->m_rcBounds.minY, kStart.y, 1e-3);

    const WorldPoint out{kStart.x + 150, kStart.y};  // beyond 200 - 68
    TickAt(out);
    EXPECT_EQ(TrackPoints(), 3);
    const WorldRect w = view->GetWorldRect();
    EXPECT_NEAR((w.minX + w.maxX) / 2, out.x, 1.0);
    EXPECT_NEAR(w.maxX - w.minX, first.maxX - first.minX, 1e-6) << "same scale";
}

// Records the regions of the paints the view receives.
class PaintSpy : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
    QRegion painted;
};

TEST_F(MeasureControllerTest, ATickInsideTheWindowRepaintsOnlyTheNewSegment)
{
    view->show();
    measuring().StartTrack();
    TickAt(kStart);
    for (int i = 1; i < 12; ++i) TickAt(WorldPoint{kStart.x + (i % 2), kStart.y + 2.0 * i});
    QApplication::processEvents();
    PaintSpy spy;
    view->installEventFilter(&spy);
    TickAt(WorldPoint{kStart.x + 5, kStart.y + 30});
    QApplication::processEvents();
    view->removeEventFilter(&spy);
    // The segment of about 5 x 0 pixels and the moved marker, never the whole 400 x 400 view.
    const QRect box = spy.painted.boundingRect();
    EXPECT_FALSE(box.isEmpty());
    EXPECT_LT(box.width() * box.height(), 100 * 100) << box.width() << "x" << box.height();
}

TEST_F(MeasureControllerTest, PauseBridgesWithAStraightSegment)
{
    measuring().StartTrack();
    TickAt(kStart);
    TickAt(WorldPoint{kStart.x + 10, kStart.y});
    measuring().TogglePause();
    EXPECT_TRUE(measuring().paused());
    EXPECT_TRUE(host.pauseFace);
    TickAt(WorldPoint{kStart.x + 20, kStart.y + 30});
    TickAt(WorldPoint{kStart.x + 30, kStart.y + 40});
    EXPECT_EQ(TrackPoints(), 2);
    EXPECT_NEAR(view->positionMarker()->m_ptPos.x, kStart.x + 30, 1e-3) << "the marker keeps moving";
    measuring().TogglePause();
    EXPECT_FALSE(host.pauseFace);
    TickAt(WorldPoint{kStart.x + 40, kStart.y});
    const auto v = TrackVertices();
    ASSERT_EQ(v.size(), 3u);
    EXPECT_NEAR(v[2].x, kStart.x + 40, 1e-3);
}

TEST_F(MeasureControllerTest, StopAfterOnePointAsksNothingAndStoresNothing)
{
    MessageRecorder rec(IDYES);
    measuring().StartTrack();
    TickAt(kStart);
    measuring().StopMeasuring();
    EXPECT_TRUE(rec.messages().empty());
    EXPECT_EQ(view->track(), nullptr);
    EXPECT_EQ(view->positionMarker(), nullptr);
    EXPECT_TRUE(ObjectsOfType(doc, GT_POLYLINE).empty());
    EXPECT_EQ(measuring().measureMode(), CMeasureController::kModeNone);
    EXPECT_FALSE(measuring().timerActive(CMeasureController::kTimerTrack));
}

TEST_F(MeasureControllerTest, StopAfterTenPointsStoresTheLineAndYesAddsAPositiveArea)
{
    for (int answer : {IDNO, IDYES}) {
        MessageRecorder rec(answer);
        measuring().StartTrack();
        // Counter-clockwise, so the area has to turn the ring round.
        for (int i = 0; i < 10; ++i) {
            const double a = 2.0 * std::numbers::pi * i / 10.0;
            TickAt(WorldPoint{kStart.x + 40.0 * std::cos(a), kStart.y + 40.0 * std::sin(a)});
        }
        EXPECT_EQ(TrackPoints(), 10);
        measuring().StopMeasuring();
        ASSERT_EQ(rec.messages().size(), 1u);
        EXPECT_EQ(rec.messages()[0].textId, IDS_CLOSE_LINE_QUESTION);
        EXPECT_EQ(rec.messages()[0].text, QStringLiteral("Linie schließen und Fläche bilden?"));
        EXPECT_EQ(rec.messages()[0].captionId, IDS_CAPTION_NOTE);
        EXPECT_EQ(rec.messages()[0].type, unsigned(MB_YESNO | MB_ICONQUESTION));
    }
    const auto lines = ObjectsOfType(doc, GT_POLYLINE);
    ASSERT_EQ(lines.size(), 2u) << "the line stays in both cases";
    EXPECT_EQ(lines[0]->m_crColor, kStoredTrackColor);
    const auto areas = ObjectsOfType(doc, GT_POLYGON);
    ASSERT_EQ(areas.size(), 1u);
    const auto* area = static_cast<const GPolygon*>(areas[0]);
    EXPECT_EQ(area->m_crColor, kTrackAreaColor);
    EXPECT_EQ(area->m_nPenWidth, 3);
    double perimeter = 0, surface = 0;
    area->Measure(&perimeter, &surface);
    EXPECT_GT(surface, 4000.0);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(MeasureControllerTest, ShowPositionWhileRecordingFinishesTheRecording)
{
    MessageRecorder rec(IDNO);
    measuring().StartTrack();
    TickAt(kStart);
    TickAt(WorldPoint{kStart.x + 5, kStart.y + 5});
    measuring().ShowPosition();
    EXPECT_EQ(measuring().measureMode(), CMeasureController::kModePosition);
    EXPECT_EQ(view->track(), nullptr);
    EXPECT_EQ(ObjectsOfType(doc, GT_POLYLINE).size(), 1u);
    EXPECT_EQ(rec.messages().size(), 1u);
    ASSERT_NE(view->positionMarker(), nullptr) << "the new mode makes a new marker";
    EXPECT_TRUE(measuring().timerActive(CMeasureController::kTimerPosition));
    EXPECT_FALSE(measuring().timerActive(CMeasureController::kTimerTrack));
    EXPECT_TRUE(host.pauseGreyed);
}

TEST_F(MeasureControllerTest, HeadingFollowsTheCourseOrElseTheMovement)
{
    measuring().ShowPosition();
    ASSERT_TRUE(gps.SendAt(kStart, kGk3));
    measuring().OnMeasureTimer(CMeasureController::kTimerPosition);
    // Moving north-east with course 0: the heading comes from the movement.
    ASSERT_TRUE(gps.SendAt(WorldPoint{kStart.x + 10, kStart.y + 10}, kGk3));
    measuring().OnMeasureTimer(CMeasureController::kTimerPosition);
    EXPECT_NEAR(view->positionMarker()->m_dHeading, -std::numbers::pi / 4, 1e-4);
    // Course 90 (east): 3 pi / 2.
    ASSERT_TRUE(gps.SendAt(WorldPoint{kStart.x + 20, kStart.y + 10}, kGk3, 90.0));
    measuring().OnMeasureTimer(CMeasureController::kTimerPosition);
    EXPECT_NEAR(view->positionMarker()->m_dHeading, 3 * std::numbers::pi / 2, 1e-9);
    EXPECT_NEAR(SharedMeasureState().heading, 3 * std::numbers::pi / 2, 1e-9);
}

TEST_F(MeasureControllerTest, FindMarkerNearbyZoomsToFiftyUnits)
{
    const WorldPoint centre{kStart.x, kStart.y};
    view->resize(400, 400);
    view->SetView(&centre, 500.0);  // 1000 x 1000
    auto marker = std::make_unique<GFindPt>();
    marker->SetPos(WorldPoint{kStart.x + 30, kStart.y}, QStringLiteral("7"));
    view->SetFindMarker(std::move(marker));
    measuring().ShowPosition();
    ASSERT_TRUE(gps.SendAt(kStart, kGk3));
    measuring().OnMeasureTimer(CMeasureController::kTimerPosition);
    const WorldRect w = view->GetWorldRect();
    EXPECT_NEAR(w.maxX - w.minX, 50.0, 1e-6);
    EXPECT_NEAR(w.maxY - w.minY, 50.0, 1e-6);
    EXPECT_NEAR((w.minX + w.maxX) / 2, kStart.x + 15, 1e-3);

    // Stop removes the find marker as well.
    measuring().StopMeasuring();
    EXPECT_EQ(view->findMarker(), nullptr);
}

TEST_F(MeasureControllerTest, TicksWithoutAUsableFixChangeNothing)
{
    measuring().StartTrack();
    TickAt(kStart);
    TickAt(WorldPoint{kStart.x + 10, kStart.y});
    const WorldRect w = view->GetWorldRect();
    const WorldPoint marker = view->positionMarker()->m_ptPos;
    ASSERT_TRUE(gps.Send(Report{9.5, 50.5, 25.0}));  // rejected by the HDOP limit
    measuring().OnMeasureTimer(CMeasureController::kTimerTrack);
    EXPECT_EQ(TrackPoints(), 2);
    EXPECT_EQ(view->GetWorldRect().minX, w.minX);
    EXPECT_EQ(view->positionMarker()->m_ptPos, marker);
}

TEST_F(MeasureControllerTest, RecordingSurvivesAReceiverThatVanishesAndComesBack)
{
    measuring().StartTrack();
    for (int i = 0; i < 5; ++i) TickAt(WorldPoint{kStart.x + 10.0 * i, kStart.y});
    gps.Unplug();
    for (int i = 0; i < 5; ++i) measuring().OnMeasureTimer(CMeasureController::kTimerTrack);
    EXPECT_EQ(TrackPoints(), 5);
    EXPECT_EQ(measuring().measureMode(), CMeasureController::kModeTrack);
    gps.Plug();
    for (int i = 5; i < 8; ++i) TickAt(WorldPoint{kStart.x + 10.0 * i, kStart.y});
    const auto v = TrackVertices();
    ASSERT_EQ(v.size(), 8u);
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(v[size_t(i)].x, kStart.x + 10.0 * i, 1e-3) << i;
}

TEST_F(MeasureControllerTest, TheRunningTimerRecordsOnItsOwn)
{
    gps.settings.m_nInterval = 0;  // as fast as the timer allows
    measuring().StartTrack();
    ASSERT_TRUE(gps.SendAt(kStart, kGk3));
    ASSERT_TRUE(test::WaitUntil([&] { return TrackPoints() == 1; }, 2000));
    ASSERT_TRUE(gps.SendAt(WorldPoint{kStart.x + 3, kStart.y}, kGk3));
    ASSERT_TRUE(test::WaitUntil([&] { return TrackPoints() == 2; }, 2000));
}

TEST_F(MeasureControllerTest, ClosingTheViewStoresTheRecording)
{
    MessageRecorder rec(IDNO);
    measuring().StartTrack();
    TickAt(kStart);
    TickAt(WorldPoint{kStart.x + 10, kStart.y});
    view.reset();
    EXPECT_EQ(ObjectsOfType(doc, GT_POLYLINE).size(), 1u);
    EXPECT_EQ(rec.messages().size(), 1u);
}

TEST_F(MeasureControllerTest, AnEmptyLocalDocumentTurnsWebMercatorWhenRecordingStarts)
{
    Open(CRS_LOCAL);
    measuring().StartTrack();
    EXPECT_EQ(doc.m_nCoordSys, CRS_WEBMERCATOR);
    // A second start while a track exists is ignored.
    GPolyline* first = view->track();
    measuring().StartTrack();
    EXPECT_EQ(view->track(), first);
}

}  // namespace
}  // namespace korvel
