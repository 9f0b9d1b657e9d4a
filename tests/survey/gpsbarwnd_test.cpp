// The bar windows on the offscreen platform: the sky plot's refresh timer, the compass's
// timer work and off-screen picture, floating sizes and borders, scaling, and both bars fed
// by the demo receiver's recording (written as screenshots when KORVEL_SCREENSHOT_DIR is set).
#include "survey/gpsbarwnd.h"

#include "crs/transform.h"
#include "gps/serialcomm.h"
#include "model/gfindpt.h"
#include "survey/skyplot.h"
#include "view/qpaintercanvas.h"

#include "gps/gpstestutil.h"

#include <QDockWidget>
#include <QFile>
#include <QImage>
#include <QMainWindow>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace korvel {
namespace {

constexpr std::int64_t kStart = 1796731200;

QColor Colour(COLORREF c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

int CountPixels(const QImage& img, const QColor& colour, QRect within = QRect())
{
    if (within.isNull()) within = img.rect();
    int n = 0;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (img.pixelColor(x, y) == colour) ++n;
    return n;
}

// Rows (top, bottom) that hold ink: pixels darker than mid-grey (text is anti-aliased).
std::pair<int, int> InkRows(const QImage& img, QRect within)
{
    int top = -1, bottom = -1;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (img.pixelColor(x, y).lightness() < 128) {
                if (top < 0) top = y;
                bottom = y;
                break;
            }
    return {top, bottom};
}

TEST(GpsBarWindows, FloatingSizes)
{
    struct Row {
        QSize old, requested, satview, compass;
    };
    const Row rows[] = {
        {{200, 200}, {260, 205}, {260, 260}, {260, 310}},  // width dragged
        {{200, 250}, {202, 300}, {300, 300}, {250, 300}},  // height dragged
        {{200, 200}, {100, 200}, {150, 150}, {150, 200}},  // too narrow: the minimum
        {{200, 250}, {200, 180}, {180, 180}, {150, 200}}, {{160, 210}, {160, 210}, {160, 160}, {160, 210}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(SatviewFloatingSize(r.old, r.requested), r.satview)
            << r.requested.width() << "x" << r.requested.height();
        EXPECT_EQ(CompassFloatingSize(r.old, r.requested), r.compass)
            << r.requested.width() << "x" << r.requested.height();
    }
}

TEST(GpsBarWindows, BorderWhileTheBarFloats)
{
    QMainWindow frame;
    auto* dock = new QDockWidget(&frame);
    auto* sat = new CSatviewWnd;
    dock->setWidget(sat);
    frame.addDockWidget(Qt::RightDockWidgetArea, dock);
    EXPECT_EQ(sat->DrawingArea(QSize(200, 180)), (PixelRect{0, 0, 200, 180}));
    dock->setFloating(true);
    EXPECT_EQ(sat->DrawingArea(QSize(200, 180)), (PixelRect{7, 7, 193, 173}));
    CGpsFindWnd loose;
    EXPECT_EQ(loose.DrawingArea(QSize(160, 210)), (PixelRect{0, 0, 160, 210}));
}

TEST(GpsBarWindows, SkyPlotRefreshesEveryTwoSecondsAfterPainting)
{
    CSerialComm port([] { return kStart; });
    CSatviewWnd wnd;
    wnd.SetSource(GpsBarSource{[&port] { return &port; }, {}, {}, [] { return kStart; }});
    wnd.resize(200, 200);
    EXPECT_FALSE(wnd.timer().isActive()) << "the timer runs only after a painting";
    wnd.show();
    ASSERT_TRUE(test::WaitUntil([&] { return wnd.paintCount() > 0; }, 5000));
    EXPECT_TRUE(wnd.timer().isActive());
    EXPECT_TRUE(wnd.timer().isSingleShot());
    EXPECT_EQ(wnd.timer().interval(), 2000);
    // When it fires the plot is painted at once, which arms it again.
    const int before = wnd.paintCount();
    wnd.OnTimer();
    EXPECT_EQ(wnd.paintCount(), before + 1);
    EXPECT_TRUE(wnd.timer().isActive());
    // Hidden, nothing is painted and the timer is not re-armed.
    wnd.hide();
    wnd.OnTimer();
    EXPECT_EQ(wnd.paintCount(), before + 1);
    EXPECT_FALSE(wnd.timer().isActive());
}

TEST(GpsBarWindows, CompassTimerReadsTheSource)
{
    std::int64_t now = kStart;
    CSerialComm port([&now] { return now; });
    GFindPt marker;
    bool withMarker = true;
    std::int32_t system = 31467;
    CSerialComm* portOrNull = &port;
    CGpsFindWnd wnd;
    wnd.SetSource(GpsBarSource{[&] { return portOrNull; },
                               [&]() -> const GFindPt* { return withMarker ? &marker : nullptr; },
                               [&] { return system; }, [&] { return now; }});
    port.parser().ParseSentence(test::Nmea("GPRMC,080000.00,A,5000.0000,N,00900.0000,E,0.0,0.0,150626,,,A"));
    WorldPoint here{9.0, 50.0};
    CoordTransform ct{1, CRS_WGS84, 31467};
    ASSERT_TRUE(TransformPoint(&here, &ct));
    marker.SetPos(WorldPoint{here.x, here.y + 120.0}, QStringLiteral("5"));

    wnd.OnTimer();
    EXPECT_NEAR(wnd.compass().distance, 120.0, 1e-6);
    EXPECT_EQ(wnd.compass().targetNumber, QStringLiteral("5"));
    EXPECT_EQ(wnd.compass().system, 31467);

    // Without a managed port nothing happens, not even the marker's removal.
    portOrNull = nullptr;
    withMarker = false;
    wnd.OnTimer();
    EXPECT_TRUE(wnd.compass().HasTarget());
    portOrNull = &port;
    wnd.OnTimer();
    EXPECT_FALSE(wnd.compass().HasTarget());
}

// Both bars drawn at 100 % and 200 %: the 200 % picture has twice the pixels, with the arrow
// and the texts twice as large.
TEST(GpsBarWindows, CompassScalesWithTheDevicePixelRatio)
{
    CGpsFindWnd wnd;
    wnd.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    GpsCompass& c = wnd.compass();
    c.heading = std::numbers::pi;
    c.target = WorldPoint{1, 1};
    c.relativeBearing = 0;
    c.distance = 12345.0;
    c.targetNumber = QStringLiteral("17");
    const QSize size(160, 210);
    QImage images[2];
    for (int i = 0; i < 2; ++i) {
        const qreal dpr = i + 1;
        images[i] = QImage(size * dpr, QImage::Format_RGB32);
        images[i].setDevicePixelRatio(dpr);
        QPainter p(&images[i]);
        wnd.Render(p, size, dpr);
    }
    const QColor green = Colour(kCompassTargetArrow);
    const int greenAt1 = CountPixels(images[0], green);
    const int greenAt2 = CountPixels(images[1], green);
    EXPECT_GT(greenAt1, 500);
    EXPECT_NEAR(double(greenAt2) / greenAt1, 4.0, 0.4);
    // The point number at the top: its ink is about twice as tall.
    const auto rows1 = InkRows(images[0], QRect(0, 0, 160, 22));
    const auto rows2 = InkRows(images[1], QRect(0, 0, 320, 44));
    ASSERT_GE(rows1.first, 0);
    ASSERT_GE(rows2.first, 0);
    const int h1 = rows1.second - rows1.first + 1, h2 = rows2.second - rows2.first + 1;
    EXPECT_GE(h1, 6);
    EXPECT_NEAR(double(h2) / h1, 2.0, 0.35) << h1 << " " << h2;
}

TEST(GpsBarWindows, SkyPlotScalesWithTheDevicePixelRatio)
{
    CSerialComm port([] { return kStart; });
    port.parser().ParseSentence(test::Nmea("GPGSV,1,1,02,12,40,083,46,29,17,308,00"));
    port.parser().ParseSentence(test::Nmea("GPGSA,A,3,12,,,,,,,,,,,,1.8,1.0,1.5"));
    CSatviewWnd wnd;
    wnd.SetSource(GpsBarSource{[&port] { return &port; }, {}, {}, [] { return kStart; }});
    int used[2], untracked[2];
    for (int i = 0; i < 2; ++i) {
        const qreal dpr = i + 1;
        QImage img(QSize(200, 200) * dpr, QImage::Format_RGB32);
        img.setDevicePixelRatio(dpr);
        {
            QPainter p(&img);
            QPainterCanvas canvas(&p, false);
            wnd.PaintPlot(canvas, QSize(200, 200));
        }
        used[i] = CountPixels(img, Colour(kSatUsed));
        untracked[i] = CountPixels(img, Colour(kSatUntracked));
    }
    EXPECT_GT(used[0], 200);
    // Four times the pixels, give or take the anti-aliased numbers inside the discs.
    EXPECT_NEAR(double(used[1]) / used[0], 4.0, 0.8);
    EXPECT_NEAR(double(untracked[1]) / untracked[0], 4.0, 0.8);
}

// The demo receiver's recording, fed through a port's parser second by second.
class DemoReceiver : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile log(QStringLiteral(KORVEL_SOURCE_DIR "/resources/demo/walk.nmea"));
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        m_lines = QString::fromLatin1(log.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        ASSERT_GT(m_lines.size(), 100);
    }
    // Feeds the recording up to (not including) the RMC of epoch `epochs`, ticking the compass
    // after each epoch.
    void Play(int epochs, CGpsFindWnd* compass)
    {
        int epoch = 0;
        for (const QString& line : std::as_const(m_lines)) {
            if (line.startsWith(QLatin1String("$GPRMC"))) {
                if (compass && epoch > 0) compass->OnTimer();
                if (epoch++ == epochs) break;
                ++m_now;
            }
            m_port.parser().ParseSentence(line.toStdString());
        }
    }
    static QImage Shot(QWidget& w)
    {
        w.show();
        QImage img = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QByteArray dir = qgetenv("KORVEL_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            img.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + w.objectName() +
                     QStringLiteral(".png"));
        return img;
    }

    QStringList m_lines;
    std::int64_t m_now = kStart;
    CSerialComm m_port{[this] { return m_now; }};
};

TEST_F(DemoReceiver, SkyPlotShowsUsedTrackedAndUntrackedSatellites)
{
    Play(40, nullptr);
    CSatviewWnd wnd;
    wnd.setObjectName(QStringLiteral("satview-de"));
    wnd.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    wnd.SetSource(GpsBarSource{[this] { return &m_port; }, {}, {}, [this] { return m_now; }});
    wnd.resize(240, 240);
    const QImage img = Shot(wnd);
    EXPECT_GT(CountPixels(img, Colour(kSatUsed)), 5 * 200);
    EXPECT_GT(CountPixels(img, Colour(kSatTracked)), 200);
    EXPECT_GT(CountPixels(img, Colour(kSatUntracked)), 200);
    EXPECT_GT(CountPixels(img, Colour(kBarOutline)), 400);
}

TEST_F(DemoReceiver, CompassPointsToTheFieldCorner)
{
    CGpsFindWnd wnd;
    wnd.setObjectName(QStringLiteral("compass-de"));
    wnd.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    // The third corner of the demo field, 150 m east and 95 m north of the start, as a find
    // marker in a web-map document.
    WorldPoint corner{9.0 + 150.0 / (111320.0 * std::cos(50.0 * std::numbers::pi / 180.0)),
                      50.0 + 95.0 / 111229.0};
    CoordTransform ct{1, CRS_WGS84, CRS_WEBMERCATOR};
    ASSERT_TRUE(TransformPoint(&corner, &ct));
    GFindPt marker;
    marker.SetPos(corner, QStringLiteral("3"));
    wnd.SetSource(GpsBarSource{[this] { return &m_port; }, [&marker] { return &marker; },
                               [] { return CRS_WEBMERCATOR; }, [this] { return m_now; }});
    Play(60, &wnd);
    EXPECT_EQ(wnd.compass().system, CRS_UTM32);
    EXPECT_TRUE(wnd.compass().HasTarget());
    EXPECT_GT(wnd.compass().distance, 50.0);
    EXPECT_LT(wnd.compass().distance, 200.0);
    wnd.resize(180, 230);
    const QImage img = Shot(wnd);
    EXPECT_GT(CountPixels(img, Colour(kCompassTargetArrow)), 1000);
    EXPECT_GT(CountPixels(img, Colour(kCompassTravelArrow)), 200);
}

}  // namespace
}  // namespace korvel
