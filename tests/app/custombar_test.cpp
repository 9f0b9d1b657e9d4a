// The two GPS bars as dock widgets: the drawing windows they host, the compass timer feeding
// the compass, and the shapes a floating bar keeps while its frame is dragged.
#include "app/custombar.h"

#include "gps/serialcomm.h"
#include "survey/gpsbarwnd.h"

#include "apptestsupport.h"
#include "gps/gpstestutil.h"

#include <gtest/gtest.h>

#include <QMainWindow>

namespace korvel {
namespace {

class GpsBarsTest : public ::testing::Test {
protected:
    test::IsolatedSettings m_settings;
    QMainWindow m_frame;
};

TEST_F(GpsBarsTest, CompassTimerUpdatesTheCompassAlsoWhileHidden)
{
    auto* bar = new CGpsFindBar(&m_frame);
    bar->Create(QStringLiteral("Kompass"));
    ASSERT_NE(bar->compass(), nullptr);
    EXPECT_EQ(bar->client(), bar->compass());
    CSerialComm port;
    port.parser().ParseSentence(test::Nmea("GPRMC,080000.00,A,5000.0000,N,00900.0000,E,0.0,90.0,150626,,,A"));
    bar->SetSource(GpsBarSource{[&port] { return &port; }, {}, [] { return 31467; }, {}});
    bar->hide();
    ASSERT_TRUE(test::WaitUntil([&] { return bar->compass()->compass().system == 31467; }, 3000));
    EXPECT_NEAR(bar->compass()->compass().heading, 3.14159265 / 2, 1e-6) << "course 90";
}

TEST_F(GpsBarsTest, FloatingBarsKeepTheirShape)
{
    auto* sat = new CSatviewBar(&m_frame);
    sat->Create(QStringLiteral("SatBar"));
    ASSERT_NE(sat->satview(), nullptr);
    auto* compass = new CGpsFindBar(&m_frame);
    compass->Create(QStringLiteral("Kompass"));
    m_frame.addDockWidget(Qt::RightDockWidgetArea, sat);
    m_frame.addDockWidget(Qt::RightDockWidgetArea, compass);
    m_frame.show();
    sat->setFloating(true);
    compass->setFloating(true);
    sat->show();
    compass->show();
    QCoreApplication::processEvents();

    // Dragging the frame wider: the sky plot stays square, the compass 50 pixels taller.
    sat->resize(sat->size() + QSize(60, 0));
    compass->resize(compass->size() + QSize(60, 0));
    QCoreApplication::processEvents();
    const QSize satClient = sat->satview()->size();
    EXPECT_EQ(satClient.width(), satClient.height());
    EXPECT_GE(satClient.width(), 150);
    const QSize compassClient = compass->compass()->size();
    EXPECT_EQ(compassClient.height(), compassClient.width() + 50);

    // Too small: the minimum sizes.
    sat->resize(60, 60);
    compass->resize(60, 60);
    QCoreApplication::processEvents();
    EXPECT_EQ(sat->satview()->size(), QSize(150, 150));
    EXPECT_EQ(compass->compass()->size(), QSize(150, 200));
    // And both draw inside the 7-pixel border while floating.
    EXPECT_EQ(sat->satview()->DrawingArea(QSize(150, 150)), (PixelRect{7, 7, 143, 143}));
}

}  // namespace
}  // namespace korvel
