// The measuring windows as a user sees them: the point dialog after averaging and a line being
// recorded along the demo walk with the position marker, on the demo map. Written as
// screenshots when KORVEL_SCREENSHOT_DIR is set; the checks hold either way.
#include "survey/measurepoint.h"

#include "model/ggpspos.h"
#include "model/gpolyline.h"
#include "surveytestsupport.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::Report;
using test::SurveyFixture;

void Save(QWidget& w, const QString& name)
{
    const QImage img = w.grab().toImage();
    EXPECT_FALSE(img.isNull());
    const QByteArray dir = qgetenv("KORVEL_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        img.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name + QStringLiteral(".png"));
}

class MeasureScreensTest : public SurveyFixture {};

TEST_F(MeasureScreensTest, PointDialogAfterAveraging)
{
    Open(31467);
    gps.settings.m_nAverage = 5;
    doc.m_strLastPointNo = QStringLiteral("P09");
    const double dx[] = {0.0, 0.8, -0.5, 0.3, -0.2};
    const double dy[] = {0.0, -0.4, 0.6, 0.9, -0.3};
    const double hdop[] = {0.9, 1.2, 0.8, 1.7, 1.0};
    std::unique_ptr<CMeasurePoint> dlg;
    for (int i = 0; i < 5; ++i) {
        WorldPoint p{3487654.0 + dx[i], 5544321.0 + dy[i]};
        CoordTransform toWgs{1, 31467, CRS_WGS84};
        TransformPoint(&p, &toWgs);
        ASSERT_TRUE(gps.Send(Report{p.x, p.y, hdop[i]}));
        if (!dlg)
            dlg = std::make_unique<CMeasurePoint>(*view, &host);
        else
            dlg->SampleStep();
    }
    ASSERT_TRUE(dlg->done());
    dlg->adjustSize();
    Save(*dlg, QStringLiteral("measure-point-de"));
}

TEST_F(MeasureScreensTest, LineRecordedAlongTheDemoWalk)
{
    ASSERT_EQ(doc.Open(QStringLiteral(KORVEL_SOURCE_DIR "/resources/demo/demo.kvd")), KvdStatus::Ok);
    view = std::make_unique<CKorvelView>(&doc, &host);
    view->resize(800, 560);
    QFile log(QStringLiteral(KORVEL_SOURCE_DIR "/resources/demo/walk.nmea"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    SharedMeasureState() = MeasureShared{};
    test::MessageRecorder rec(IDNO);
    measuring().StartTrack();
    int fixes = 0;
    while (!log.atEnd() && fixes < 140) {
        const QByteArray line = log.readLine();
        ASSERT_TRUE(gps.pty->Write(line.toStdString()));
        if (!line.startsWith("$GPGGA")) continue;
        const GpsFix& fix = gps.settings.port()->fix();
        ASSERT_TRUE(test::WaitUntil([&] { return fix.fixTime != 0 && fix.ggaTime != 0; }, 3000));
        test::Spin(60);  // one poll reads the line
        measuring().OnMeasureTimer(CMeasureController::kTimerTrack);
        ++fixes;
    }
    GPolyline* track = view->track();
    ASSERT_NE(track, nullptr);
    EXPECT_GT(GPolyline::RingAt(track->m_pRings->GetHeadPosition())->GetCount(), 50);
    ASSERT_NE(view->positionMarker(), nullptr);
    view->show();
    QApplication::processEvents();
    Save(*view, QStringLiteral("measure-line-de"));
}

}  // namespace
}  // namespace korvel
