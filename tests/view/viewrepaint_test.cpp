// What the map view really puts on the screen when it repaints. These tests read the window's
// pixels back from the platform (the backing store on the offscreen platform, the X server on
// xcb), never a fresh rendering, because a view that fails to clear shows only there. CTest
// runs them on both platforms.
#include "model/gpolyline.h"
#include "model/gring.h"
#include "view/viewtestsupport.h"

#include <QScreen>

namespace korvel {
namespace {

const QColor kPointGreen(27, 158, 30);

class ViewScreenTest : public ViewTest {
protected:
    // What is on the screen once the pending repaints are done.
    QImage Shown()
    {
        for (int i = 0; i < 3; ++i) {
            QApplication::processEvents();
            QTest::qWait(20);
        }
        return view->screen()->grabWindow(view->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
    QColor Base() const { return view->palette().color(QPalette::Base); }
};

TEST_F(ViewScreenTest, WebMercatorMapIsClearedBeforeTheFirstZoomAndAfterFitAll)
{
    // A web-mercator document has a tile service but no tile layer paints yet: the view must
    // clear its background itself, in the first paint and after every change of view.
    Open(900913, QSize(240, 180));
    ASSERT_TRUE(view->TilesShown());
    ASSERT_FALSE(view->TileLayerPaints());
    AddPoint(100000.0, 200000.0);
    AddPoint(1100000.0, 1200000.0);
    view->OnCommand(ID_VIEW_FIT_ALL);
    QImage img = Shown();
    for (const QPoint corner : {QPoint(1, 1), QPoint(238, 1), QPoint(1, 178), QPoint(238, 178)}) {
        EXPECT_EQ(img.pixelColor(corner), Base()) << corner.x() << "," << corner.y();
    }
    const QPoint a = view->GetViewport().WorldToScreen(WorldPoint{100000.0, 200000.0});
    ASSERT_EQ(img.pixelColor(a), kPointGreen);

    // Zoom in on the first point with the wheel, then fit all again: nothing of the zoomed
    // picture may stay behind the fitted one.
    const QPoint b = view->GetViewport().WorldToScreen(WorldPoint{1100000.0, 1200000.0});
    Wheel(*view, a, 120);  // the point under the cursor comes to the middle
    for (int i = 0; i < 2; ++i) Wheel(*view, QPoint(120, 90), 120);
    img = Shown();
    const QPoint zoomedA = view->GetViewport().WorldToScreen(WorldPoint{100000.0, 200000.0});
    EXPECT_EQ(img.pixelColor(zoomedA), kPointGreen);
    view->OnCommand(ID_VIEW_FIT_ALL);
    img = Shown();
    EXPECT_EQ(img.pixelColor(a), kPointGreen);
    EXPECT_EQ(img.pixelColor(b), kPointGreen);
    int green = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) green += img.pixelColor(x, y) == kPointGreen;
    }
    // Two point symbols (a filled circle of 8 pixels each) and nothing else.
    EXPECT_LT(green, 2 * 64);
    EXPECT_EQ(img.pixelColor(zoomedA + QPoint(0, 1)), Base());
}

TEST_F(ViewScreenTest, EraseRequestHoldsUntilTheNextPaint)
{
    Open(31467, QSize(200, 200));
    GPoint* p = AddPoint(0.0, 0.0);
    view->OnCommand(ID_VIEW_FIT_ALL);
    const QPoint old = view->GetViewport().WorldToScreen(p->m_ptPos);
    ASSERT_EQ(Shown().pixelColor(old), kPointGreen);

    // A new view (erase), then before any paint an object is added (no erase) whose pixel
    // rectangle covers where the point was drawn, though the line itself runs beside it.
    const WorldPoint centre{300.0, 0.0};
    view->SetView(&centre, 0.0);
    const WorldPoint nw = view->PixelToWorld(old + QPoint(-40, -40));
    const WorldPoint ne = view->PixelToWorld(old + QPoint(40, -30));
    const WorldPoint se = view->PixelToWorld(old + QPoint(40, 40));
    auto ring = std::make_unique<GRing>();
    ring->Add(nw);
    ring->Add(ne);
    ring->Add(se);
    ASSERT_TRUE(doc.AddObject(new GPolyline(std::move(ring))));
    const QImage img = Shown();
    EXPECT_EQ(img.pixelColor(old), Base());
    EXPECT_EQ(img.pixelColor(view->GetViewport().WorldToScreen(p->m_ptPos)), kPointGreen);
}

TEST_F(ViewScreenTest, TileLayerThatPaintsTheBackgroundSuppressesErasing)
{
    struct Row {
        int crs;
        int service;
        bool layer;   // a tile layer is installed
        bool erased;  // a removed point disappears without anything painting over it
    };
    const Row rows[] = {{0, 2, true, true}, {900913, 0, true, true}, {900913, 2, false, true}, {900913, 2, true, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.crs << " service " << row.service << " layer " << row.layer);
        doc.OnNewDocument(row.crs);
        doc.m_nTileService = row.service;
        view = std::make_unique<CKorvelView>(&doc, &host);
        // The stand-in layer paints nothing: where the view did not erase, the old picture stays.
        if (row.layer) view->SetTileLayerHook([](const TilePaintRequest&) { return false; });
        view->resize(200, 200);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        GPoint* p = AddPoint(Centre(*view).x, Centre(*view).y);
        const QPoint px = view->GetViewport().WorldToScreen(p->m_ptPos);
        ASSERT_EQ(Shown().pixelColor(px), kPointGreen);
        std::unique_ptr<GObj> gone = doc.RemoveObject(p);
        EXPECT_EQ(Shown().pixelColor(px) == kPointGreen, !row.erased);
    }
}

TEST_F(ViewScreenTest, RubberBandIsAnInvertingFrameThatGoesAway)
{
    Open(0, QSize(200, 200));
    view->OnCommand(ID_VIEW_ZOOM_IN);
    const QColor base = Base();
    const QColor inverted(255 - base.red(), 255 - base.green(), 255 - base.blue());
    Mouse(*view, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(20, 30), Qt::LeftButton);
    Mouse(*view, QEvent::MouseMove, Qt::NoButton, QPoint(120, 90), Qt::LeftButton);
    QImage img = Shown();
    EXPECT_EQ(img.pixelColor(20, 30), inverted);
    EXPECT_EQ(img.pixelColor(70, 30), inverted);
    EXPECT_EQ(img.pixelColor(120, 60), inverted);
    EXPECT_EQ(img.pixelColor(70, 60), base);  // inside stays
    Mouse(*view, QEvent::MouseMove, Qt::NoButton, QPoint(60, 50), Qt::LeftButton);
    img = Shown();
    EXPECT_EQ(img.pixelColor(120, 60), base);  // the old frame is gone
    EXPECT_EQ(img.pixelColor(60, 40), inverted);
    Mouse(*view, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(60, 50), Qt::NoButton);
    img = Shown();
    EXPECT_EQ(img.pixelColor(60, 40), base);
}

}  // namespace
}  // namespace korvel
