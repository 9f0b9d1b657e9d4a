// The map view widget driven with real mouse, wheel and key events on the offscreen platform.
#include "view/korvelview.h"
#include "view/viewtestsupport.h"

#include "model/gfindpt.h"
#include "model/ggpspos.h"
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/gring.h"
#include "model/korveldoc.h"
#include "support/recordingcanvas.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QFileInfo>
#include <QPrinter>
#include <QRegularExpression>
#include <QScreen>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace korvel {
namespace {

TEST_F(ViewTest, EmptyProjectedDocumentShowsFiveHundredAroundZero)
{
    Open(31467, QSize(400, 300));
    // -500..500 in both axes, widened to the window's 4:3 aspect.
    EXPECT_NEAR(view->GetScale(), 1000.0 / 300.0, 1e-9);
    EXPECT_NEAR(Height(*view), 1000.0, 1e-6);
    EXPECT_NEAR(Width(*view), 1000.0 * 4 / 3, 1e-6);
    EXPECT_NEAR(Centre(*view).x, 0.0, 1e-6);
    EXPECT_NEAR(Centre(*view).y, 0.0, 1e-6);
}

TEST_F(ViewTest, EmptyWebMercatorDocumentShowsTheWorld)
{
    Open(900913, QSize(300, 300));
    const double half = 20037508.342789244;
    EXPECT_NEAR(view->GetWorldRect().minX, -half, 1.0);
    EXPECT_NEAR(view->GetWorldRect().maxX, half, 1.0);
    EXPECT_NEAR(view->GetWorldRect().maxY, half, 100.0);  // 85.0511287798 deg is the square's edge
    EXPECT_NEAR(Centre(*view).y, 0.0, 1e-3);
}

TEST_F(ViewTest, SinglePointIsShownPlusMinusFiveHundred)
{
    Open(25832, QSize(200, 200));
    AddPoint(500000.0, 5600000.0);
    ASSERT_TRUE(view->OnCommand(ID_VIEW_FIT_ALL));
    EXPECT_NEAR(view->GetWorldRect().minX, 499500.0, 1e-6);
    EXPECT_NEAR(view->GetWorldRect().maxX, 500500.0, 1e-6);
    EXPECT_NEAR(view->GetWorldRect().minY, 5599500.0, 1e-6);
    EXPECT_NEAR(view->GetWorldRect().maxY, 5600500.0, 1e-6);
    EXPECT_NEAR(view->GetScale(), 5.0, 1e-9);
    // The document's "fit all" request after New/Open reaches the view as well.
    doc.OnNewDocument(0);
    EXPECT_NEAR(Centre(*view).x, 0.0, 1e-6);
}

TEST_F(ViewTest, WheelInAndOutReturnsToTheSameExtentsAndRecentres)
{
    Open(0, QSize(400, 300));
    const double w = Width(*view);
    const double h = Height(*view);
    const WorldPoint under = view->PixelToWorld(QPoint(300, 50));
    Wheel(*view, QPoint(300, 50), 120);
    EXPECT_NEAR(Centre(*view).x, under.x, 1e-9);
    EXPECT_NEAR(Centre(*view).y, under.y, 1e-9);
    for (int i = 0; i < 9; ++i) Wheel(*view, QPoint(10 + 30 * i, 280 - 20 * i), 120);
    for (int i = 0; i < 10; ++i) Wheel(*view, QPoint(390 - 30 * i, 20 * i), -120);
    EXPECT_NEAR(Width(*view), w, 1e-9 * w);
    EXPECT_NEAR(Height(*view), h, 1e-9 * h);
    const WorldRect before = view->GetWorldRect();
    Wheel(*view, QPoint(5, 5), 0);  // ignored
    EXPECT_EQ(view->GetWorldRect(), before);
}

TEST_F(ViewTest, PageKeysZoomByTheWheelFactorAboutTheCentre)
{
    Open(0, QSize(400, 300));
    const double w = Width(*view);
    const WorldPoint c = Centre(*view);
    Key(*view, Qt::Key_PageDown);
    EXPECT_NEAR(Width(*view), w / 1.2, 1e-9);
    Key(*view, Qt::Key_PageUp);
    EXPECT_NEAR(Width(*view), w, 1e-9);
    // The centre pixel's middle lies half a pixel off the exact centre.
    EXPECT_NEAR(Centre(*view).x, c.x, view->GetScale());
    EXPECT_NEAR(Centre(*view).y, c.y, view->GetScale());
}

TEST_F(ViewTest, ThreeZoomClicksAndOnePixelDrags)
{
    Open(0, QSize(300, 300));
    ASSERT_TRUE(view->OnCommand(ID_VIEW_ZOOM_IN));
    ASSERT_EQ(host.tool, TOOL_ZOOM_IN);
    const double w = Width(*view);
    Click(*view, QPoint(150, 150));
    Click(*view, QPoint(100, 120), QPoint(101, 120));  // a 1-pixel drag is a click
    Click(*view, QPoint(200, 80), QPoint(201, 81));
    EXPECT_NEAR(Width(*view) / w, 8.0 / 27.0, 1e-12);

    // Zoom out: a 1-pixel drag widens by 1.5 like a click.
    view->OnCommand(ID_VIEW_ZOOM_OUT);
    const double w2 = Width(*view);
    Click(*view, QPoint(150, 150), QPoint(150, 151));
    EXPECT_NEAR(Width(*view) / w2, 1.5, 1e-12);
}

TEST_F(ViewTest, ZoomRectangleWithTheMouse)
{
    Open(0, QSize(300, 200));
    view->OnCommand(ID_VIEW_ZOOM_IN);
    const WorldPoint a = view->GetViewport().PixelCornerToWorld(QPoint(30, 20), view->GetScale());
    const WorldPoint b = view->GetViewport().PixelCornerToWorld(QPoint(90, 60), view->GetScale());
    Click(*view, QPoint(90, 60), QPoint(30, 20));  // dragged up and left: normalised
    EXPECT_NEAR(view->GetWorldRect().minX, a.x, 1e-9);
    EXPECT_NEAR(view->GetWorldRect().maxY, a.y, 1e-9);
    EXPECT_NEAR(view->GetWorldRect().maxX, b.x, 1e-9);
    EXPECT_NEAR(view->GetWorldRect().minY, b.y, 1e-9);
}

TEST_F(ViewTest, PanThenZoomClick)
{
    Open(0, QSize(400, 300));
    view->OnCommand(ID_VIEW_PAN);
    const WorldRect r0 = view->GetWorldRect();
    const double s = view->GetScale();
    Click(*view, QPoint(100, 100), QPoint(200, 150));
    EXPECT_NEAR(view->GetWorldRect().minX, r0.minX - 100 * s, 1e-9);
    EXPECT_NEAR(view->GetWorldRect().maxY, r0.maxY + 50 * s, 1e-9);
    EXPECT_DOUBLE_EQ(view->GetScale(), s);

    view->OnCommand(ID_VIEW_ZOOM_IN);
    const WorldPoint clicked = view->PixelToWorld(QPoint(120, 80));
    const double w = Width(*view);
    Click(*view, QPoint(120, 80));
    EXPECT_NEAR(w / Width(*view), 1.5, 1e-12);
    EXPECT_NEAR(Centre(*view).x, clicked.x, 1e-9);
    EXPECT_NEAR(Centre(*view).y, clicked.y, 1e-9);
}

TEST_F(ViewTest, MiddleButtonPansAndGivesTheToolBack)
{
    Open(0, QSize(400, 300));
    view->OnCommand(ID_VIEW_ZOOM_IN);
    const WorldRect r0 = view->GetWorldRect();
    const double s = view->GetScale();
    Mouse(*view, QEvent::MouseButtonPress, Qt::MiddleButton, QPoint(50, 50), Qt::MiddleButton);
    EXPECT_EQ(host.tool, TOOL_PAN);
    EXPECT_FALSE(view->IsRedrawEnabled());
    Mouse(*view, QEvent::MouseMove, Qt::NoButton, QPoint(20, 70), Qt::MiddleButton);
    Mouse(*view, QEvent::MouseButtonRelease, Qt::MiddleButton, QPoint(20, 70), Qt::NoButton);
    EXPECT_EQ(host.tool, TOOL_ZOOM_IN);
    EXPECT_TRUE(view->IsRedrawEnabled());
    EXPECT_NEAR(view->GetWorldRect().minX, r0.minX + 30 * s, 1e-9);
    EXPECT_NEAR(view->GetWorldRect().minY, r0.minY + 20 * s, 1e-9);
}

TEST_F(ViewTest, PanPreviewShowsTheShiftedSnapshot)
{
    Open(0, QSize(200, 200));
    AddPoint(0.0, 0.0);  // in the middle of the window
    view->OnCommand(ID_VIEW_FIT_ALL);
    QApplication::processEvents();
    view->OnCommand(ID_VIEW_PAN);
    const QPoint pt = view->GetViewport().WorldToScreen(WorldPoint{0.0, 0.0});
    Mouse(*view, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(100, 100), Qt::LeftButton);
    Mouse(*view, QEvent::MouseMove, Qt::NoButton, QPoint(130, 90), Qt::LeftButton);
    const QImage preview = view->grab().toImage();
    // The point's symbol has moved with the mouse; the uncovered strip is background.
    EXPECT_EQ(preview.pixelColor(pt + QPoint(30, -10)), QColor(27, 158, 30));
    EXPECT_NE(preview.pixelColor(pt), QColor(27, 158, 30));
    EXPECT_EQ(preview.pixelColor(QPoint(10, 100)), view->palette().color(QPalette::Base));
    // Nothing was recomputed during the drag.
    EXPECT_NEAR(Centre(*view).x, 0.0, 1e-6);
    Mouse(*view, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(130, 90), Qt::NoButton);
    const QImage after = view->grab().toImage();
    EXPECT_EQ(after.pixelColor(pt + QPoint(30, -10)), QColor(27, 158, 30));
}

TEST_F(ViewTest, ScaleFloor)
{
    Open(0, QSize(100, 100));
    view->OnCommand(ID_VIEW_ZOOM_IN);
    for (int i = 0; i < 40; ++i) Click(*view, QPoint(50, 50));
    EXPECT_DOUBLE_EQ(view->GetScale(), Viewport::kMinScale);
    Wheel(*view, QPoint(50, 50), 120);
    EXPECT_DOUBLE_EQ(view->GetScale(), Viewport::kMinScale);
}

TEST_F(ViewTest, ResizeKeepsTheCentre)
{
    Open(0, QSize(400, 300));
    view->OnCommand(ID_VIEW_ZOOM_IN);
    Click(*view, QPoint(37, 211));
    const WorldPoint c = Centre(*view);
    for (const QSize s : {QSize(250, 500), QSize(640, 480), QSize(101, 99)}) {
        view->resize(s);
        QApplication::processEvents();
        EXPECT_NEAR(Centre(*view).x, c.x, 1e-9);
        EXPECT_NEAR(Centre(*view).y, c.y, 1e-9);
        EXPECT_NEAR(Width(*view), view->GetScale() * s.width(), 1e-9);
    }
}

TEST_F(ViewTest, ToolCommandsToggleAndReportTheirState)
{
    Open(0);
    struct Row {
        int id;
        int tool;
    };
    for (const Row r : {Row{ID_VIEW_ZOOM_IN, TOOL_ZOOM_IN}, Row{ID_VIEW_ZOOM_OUT, TOOL_ZOOM_OUT}, Row{ID_VIEW_PAN, TOOL_PAN}}) {
        host.autoNumbering = true;
        host.tool = TOOL_SELECT;
        EXPECT_FALSE(view->OnUpdateCommand(r.id).checked);
        EXPECT_TRUE(view->OnCommand(r.id));
        EXPECT_EQ(host.tool, r.tool);
        EXPECT_FALSE(host.autoNumbering);
        EXPECT_TRUE(view->OnUpdateCommand(r.id).checked);
        EXPECT_TRUE(view->OnUpdateCommand(r.id).enabled);
        view->OnCommand(r.id);
        EXPECT_EQ(host.tool, TOOL_NONE);
    }
    EXPECT_FALSE(view->OnCommand(32782));  // not the view's command here
    EXPECT_FALSE(view->OnUpdateCommand(32782).enabled);
    EXPECT_TRUE(view->OnUpdateCommand(ID_FILE_PRINT_PREVIEW).enabled);
}

TEST_F(ViewTest, RecalcBoundsCommandRefitsAndMarksModified)
{
    Open(0, QSize(200, 200));
    doc.SetModifiedFlag(false);
    const WorldRect before = view->GetWorldRect();
    EXPECT_TRUE(view->OnCommand(ID_VIEW_RECALC_BOUNDS));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_NEAR(view->GetWorldRect().minX, before.minX, 1e-9);
    EXPECT_NEAR(view->GetWorldRect().maxY, before.maxY, 1e-9);
}

TEST_F(ViewTest, ToolNoneIgnoresPresses)
{
    Open(0);
    const WorldRect before = view->GetWorldRect();
    Click(*view, QPoint(10, 10), QPoint(200, 200));
    EXPECT_TRUE(view->IsRedrawEnabled());
    EXPECT_EQ(view->GetWorldRect(), before);
}

TEST_F(ViewTest, NoInvalidationWhileAButtonIsHeld)
{
    Open(0, QSize(400, 300));
    QApplication::processEvents();
    view->OnCommand(ID_VIEW_PAN);
    Mouse(*view, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(10, 10), Qt::LeftButton);
    QApplication::processEvents();
    PaintSpy spy;
    view->installEventFilter(&spy);
    GPoint* p = AddPoint(100.0, -100.0);
    const QPoint px = view->GetViewport().WorldToScreen(p->m_ptPos);
    QApplication::processEvents();
    EXPECT_FALSE(spy.painted.contains(px));
    Mouse(*view, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(10, 10), Qt::NoButton);
    QApplication::processEvents();
    // Released: a document change repaints the object's area again.
    spy.painted = QRegion();
    doc.UpdateObject(p, true);
    QApplication::processEvents();
    const QPoint px2 = view->GetViewport().WorldToScreen(p->m_ptPos);
    EXPECT_TRUE(spy.painted.contains(px2));
    EXPECT_FALSE(spy.painted.contains(QPoint(0, 0)));
}

TEST_F(ViewTest, RemovalClearsTheCurrentObject)
{
    Open(0);
    GPoint* a = AddPoint(1.0, 1.0);
    GPoint* b = AddPoint(2.0, 2.0);
    view->setCurObj(a);
    std::unique_ptr<GObj> gone = doc.RemoveObject(b);
    EXPECT_EQ(view->curObj(), a);
    gone = doc.RemoveObject(a);
    EXPECT_EQ(view->curObj(), nullptr);
}

TEST_F(ViewTest, PaintsObjectsAndScreenOnlyLayers)
{
    Open(0, QSize(200, 200));
    AddPoint(0.0, 0.0);
    auto ring = std::make_unique<GRing>();
    ring->Add(WorldPoint{-400.0, 300.0});
    ring->Add(WorldPoint{400.0, 300.0});
    view->SetTrack(std::make_unique<GPolyline>(std::move(ring)));
    view->track()->CalcBounds();

    test::RecordingCanvas screen(false);
    view->OnDraw(screen, PixelRect{});
    EXPECT_EQ(screen.CallsStartingWith(QStringLiteral("Ellipse")).size(), 1);
    EXPECT_EQ(screen.CallsStartingWith(QStringLiteral("Polyline")).size(), 1);

    test::RecordingCanvas printer(true);
    view->BeginPrinting(2000, 2000);
    view->OnDraw(printer, PixelRect{0, 0, 2000, 2000});
    view->EndPrinting();
    EXPECT_EQ(printer.CallsStartingWith(QStringLiteral("Ellipse")).size(), 1);
    EXPECT_TRUE(printer.CallsStartingWith(QStringLiteral("Polyline")).isEmpty());
    EXPECT_DOUBLE_EQ(view->GetPrintScale(), 1.0);

    // Culling: a clip box away from every object draws nothing.
    test::RecordingCanvas corner(false);
    view->OnDraw(corner, PixelRect{0, 150, 20, 170});
    EXPECT_TRUE(corner.CallsStartingWith(QStringLiteral("Ellipse")).isEmpty());
}

TEST_F(ViewTest, TileLayerRunsOnlyWhenTilesAreShown)
{
    Open(0, QSize(200, 200));
    AddPoint(0.0, 0.0);
    int calls = 0;
    TilePaintRequest last;
    bool interrupt = false;
    view->SetTileLayerHook([&](const TilePaintRequest& r) {
        ++calls;
        last = r;
        return interrupt;
    });
    test::RecordingCanvas c1(false);
    view->OnDraw(c1, PixelRect{});
    EXPECT_EQ(calls, 0);  // local system: no tiles
    EXPECT_FALSE(view->TilesShown());

    doc.m_nCoordSys = 900913;
    doc.m_nTileService = 1;
    ASSERT_TRUE(view->TilesShown());
    test::RecordingCanvas c2(false);
    view->OnDraw(c2, PixelRect{});
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(last.service, 1);
    EXPECT_FALSE(last.printing);
    EXPECT_EQ(last.clip, (PixelRect{0, 0, 200, 200}));
    EXPECT_EQ(c2.CallsStartingWith(QStringLiteral("Ellipse")).size(), 1);

    // An interrupted tile layer leaves the objects out of this paint.
    interrupt = true;
    test::RecordingCanvas c3(false);
    view->OnDraw(c3, PixelRect{});
    EXPECT_TRUE(c3.CallsStartingWith(QStringLiteral("Ellipse")).isEmpty());

    // Printing always asks for OpenStreetMap.
    interrupt = false;
    test::RecordingCanvas c4(true);
    view->OnDraw(c4, PixelRect{0, 0, 1000, 1000});
    EXPECT_EQ(last.service, 2);
    EXPECT_TRUE(last.printing);

    doc.m_nTileService = 0;
    view->OnDraw(c4, PixelRect{});
    EXPECT_EQ(calls, 3);
}

TEST_F(ViewTest, PrintScaleExample)
{
    Open(0, QSize(800, 600));
    const double s = view->GetScale();
    view->BeginPrinting(4800, 6800);
    EXPECT_DOUBLE_EQ(view->GetPrintScale(), s / 6.0);
    // The window's top-left corner lands at the page's top-left corner.
    const ViewTransform vt = [&] {
        test::RecordingCanvas printer(true);
        return view->GetViewTransform();
    }();
    EXPECT_EQ(vt.ToPixel(WorldPoint{view->GetWorldRect().minX, view->GetWorldRect().maxY}, vt.printScale),
              (PixelPoint{0, 0}));
    EXPECT_EQ(vt.ToPixel(WorldPoint{view->GetWorldRect().maxX, view->GetWorldRect().minY}, vt.printScale),
              (PixelPoint{4800, 3600}));
    view->EndPrinting();
    EXPECT_DOUBLE_EQ(view->GetPrintScale(), 1.0);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// Rasterises page 1 of a PDF with poppler; a null image when that is not possible.
QImage RasterisePdf(const QString& pdf, const QString& prefix)
{
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-png"),
                                         QStringLiteral("-singlefile"), pdf, prefix});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return QImage();
    return QImage(prefix + QStringLiteral(".png"));
}

bool NearColour(QRgb a, QColor b, int tol = 40)
{
    return std::abs(qRed(a) - b.red()) <= tol && std::abs(qGreen(a) - b.green()) <= tol &&
           std::abs(qBlue(a) - b.blue()) <= tol;
}

TEST_F(ViewTest, PrintToPdfLeavesOutTheTrackAndKeepsTheWindowAtTheTop)
{
    Open(0, QSize(400, 300));
    AddPoint(0.0, 0.0);  // in the window's centre
    auto ring = std::make_unique<GRing>();
    ring->Add(WorldPoint{-300.0, 200.0});
    ring->Add(WorldPoint{300.0, -200.0});
    auto track = std::make_unique<GPolyline>(std::move(ring));
    track->m_crColor = MakeRgb(255, 0, 0);
    track->m_nPenWidth = 9;
    track->CalcBounds();
    view->SetTrack(std::move(track));
    auto marker = std::make_unique<GGpsPos>();
    marker->m_ptPos = WorldPoint{100.0, 100.0};
    marker->CalcBounds();
    view->SetPositionMarker(std::move(marker));

    // On screen the track is there.
    const QImage screen = view->grab().toImage();
    const QPoint onTrack = view->GetViewport().WorldToScreen(WorldPoint{150.0, -100.0});
    EXPECT_TRUE(NearColour(screen.pixel(onTrack), QColor(255, 0, 0), 10));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pdf = dir.filePath(QStringLiteral("karte.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    ASSERT_TRUE(view->PrintDocument(&printer));
    EXPECT_DOUBLE_EQ(view->GetPrintScale(), 1.0);
    ASSERT_GT(QFileInfo(pdf).size(), 0);

    const QImage page = RasterisePdf(pdf, dir.filePath(QStringLiteral("seite")));
    if (page.isNull()) GTEST_SKIP() << "pdftoppm not available";
    int red = 0;
    QRect green;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QRgb c = page.pixel(x, y);
            if (NearColour(c, QColor(255, 0, 0))) ++red;
            if (NearColour(c, QColor(27, 158, 30))) green |= QRect(x, y, 1, 1);
        }
    }
    EXPECT_EQ(red, 0);  // neither the track nor the (red) position marker is printed
    ASSERT_FALSE(green.isEmpty());
    // The window's width fills the printable width, so the point in its middle lands on the
    // page's vertical centre line, and in the upper half: the window sits at the top.
    EXPECT_NEAR(green.center().x(), page.width() / 2.0, page.width() * 0.05);
    EXPECT_LT(green.center().y(), page.height() * 0.4);
    // The point symbol keeps its size relative to the map: 8 of 400 window pixels.
    EXPECT_NEAR(double(green.width()) / page.width(), 8.0 / 400.0, 0.01);

    // The convenience path writes a file as well.
    const QString pdf2 = dir.filePath(QStringLiteral("karte2.pdf"));
    ASSERT_TRUE(view->PrintToPdf(pdf2));
    EXPECT_GT(QFileInfo(pdf2).size(), 0);
}

// The page size of the first page of a PDF file, in points.
QSizeF PdfPageSize(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    static const QRegularExpression box(QStringLiteral("/MediaBox\\s*\\[\\s*0\\s+0\\s+([0-9.]+)\\s+([0-9.]+)"));
    const QRegularExpressionMatch m = box.match(QString::fromLatin1(bytes));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

TEST_F(ViewTest, QuickPrintUsesTheHostsPrinterWithItsPaperAndOrientation)
{
    Open(0, QSize(400, 300));
    AddPoint(0.0, 0.0);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QPrinter shared(QPrinter::HighResolution);
    shared.setOutputFormat(QPrinter::PdfFormat);
    shared.setPageSize(QPageSize(QPageSize::A5));
    shared.setPageOrientation(QPageLayout::Landscape);
    host.printer = &shared;

    std::unique_ptr<QPrinter> own;
    EXPECT_EQ(view->JobPrinter(own), &shared);
    EXPECT_EQ(own, nullptr);

    // Two quick prints in a row keep the set-up: each goes to the shared printer's file.
    for (const char* name : {"erste.pdf", "zweite.pdf"}) {
        const QString pdf = dir.filePath(QString::fromLatin1(name));
        shared.setOutputFileName(pdf);
        ASSERT_TRUE(view->OnCommand(ID_FILE_PRINT_DIRECT));
        const QSizeF size = PdfPageSize(pdf);
        // A5 landscape: 595 x 420 points.
        EXPECT_NEAR(size.width(), 595.0, 1.0) << name;
        EXPECT_NEAR(size.height(), 420.0, 1.0) << name;
    }
    EXPECT_EQ(shared.pageLayout().orientation(), QPageLayout::Landscape);

    // Without a host printer every job gets one of its own.
    host.printer = nullptr;
    EXPECT_NE(view->JobPrinter(own), nullptr);
    EXPECT_NE(own, nullptr);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

TEST_F(ViewTest, StatusBarShowsTheCoordinatesUnderTheCursor)
{
    struct Row {
        int crs;
        WorldPoint at;  // world point to put under the cursor
        const char* system;
        const char* first;
        const char* second;
    };
    const Row rows[] = {
        {0, WorldPoint{12.25, -3.5}, "Local", "R 12.250", "H -3.500"},
        {31467, WorldPoint{3500000.0, 5500000.0}, "EPSG:31467", "R 3500000.000", "H 5500000.000"},
        // lon -0.5, lat 50 in web-mercator metres
        {900913, WorldPoint{-55659.74539663678, 6446275.841017158}, "WGS84", "W 0.500000°", "N 50.000000°"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.system);
        doc.OnNewDocument(row.crs);
        view = std::make_unique<CKorvelView>(&doc, &host);
        view->resize(200, 200);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        // Centre the view on the point at a scale where the pixel centre hits it exactly.
        view->SetView(&row.at, 0.0);
        const QPoint px(100, 100);
        const WorldPoint under = view->PixelToWorld(px);
        const WorldPoint shift{row.at.x - (under.x - row.at.x), row.at.y - (under.y - row.at.y)};
        view->SetView(&shift, 0.0);
        Mouse(*view, QEvent::MouseMove, Qt::NoButton, px, Qt::NoButton);
        EXPECT_EQ(host.system, QString::fromUtf8(row.system));
        EXPECT_EQ(host.first, QString::fromUtf8(row.first));
        EXPECT_EQ(host.second, QString::fromUtf8(row.second));
    }
}

TEST_F(ViewTest, ManyScatteredInvalidationsAreAllRepainted)
{
    // Beyond a few dozen rectangles the view repaints their common bounds: nothing may be
    // left out on the way.
    Open(31467);
    QApplication::processEvents();
    PaintSpy spy;
    view->installEventFilter(&spy);
    std::vector<QPoint> spots;
    for (int i = 0; i < 500; ++i) spots.emplace_back((i * 37) % 390 + 2, (i * 53) % 290 + 2);
    for (size_t i = 0; i < spots.size(); ++i) {
        const QPoint p = spots[i];
        view->InvalidatePixels(PixelRect{p.x(), p.y(), p.x() + 1, p.y() + 1}, i % 2 == 0);
    }
    QApplication::processEvents();
    for (QPoint p : spots) EXPECT_TRUE(spy.painted.contains(p)) << p.x() << "," << p.y();
}

}  // namespace
}  // namespace korvel
