// Mouse tools, overlays, the measuring controller and the view's robustness against lost mouse
// releases, wheels that send parts of a notch, far-away objects and failing printers.
#include "model/gpolyline.h"
#include "model/gring.h"
#include "support/recordingcanvas.h"
#include "support/testsupport.h"
#include "view/viewtestsupport.h"

#include <QFocusEvent>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryDir>

#include <cmath>
#include <limits>

namespace korvel {
namespace {

// A tool that writes down what it is told.
class ScriptTool : public ViewToolHandler {
public:
    bool UsesRubberBand() const override { return band; }
    void OnPress(CKorvelView&, QPoint p, Qt::KeyboardModifiers) override { log << QStringLiteral("press %1,%2").arg(p.x()).arg(p.y()); }
    void OnMove(CKorvelView&, QPoint p, Qt::KeyboardModifiers) override { log << QStringLiteral("move %1,%2").arg(p.x()).arg(p.y()); }
    void OnRelease(CKorvelView&, QPoint p, const PixelRect&, Qt::KeyboardModifiers) override
    {
        log << QStringLiteral("release %1,%2").arg(p.x()).arg(p.y());
    }
    void OnCancel(CKorvelView&) override { log << QStringLiteral("cancel"); }
    bool OnKey(CKorvelView&, QKeyEvent* e) override
    {
        log << QStringLiteral("key %1").arg(e->key());
        return e->key() == Qt::Key_Space;
    }
    void DrawOverlay(CKorvelView&, Canvas& canvas, const PixelRect&) override { canvas.Line(PixelPoint{1, 1}, PixelPoint{5, 5}); }
    bool band = false;
    QStringList log;
};

class LineOverlay : public ViewOverlay {
public:
    explicit LineOverlay(int x) : m_x(x) {}
    void Draw(CKorvelView&, Canvas& canvas, const PixelRect&) override { canvas.Line(PixelPoint{m_x, 0}, PixelPoint{m_x, 9}); }

private:
    int m_x;
};

class CountingMeasuring : public MeasuringController {
public:
    explicit CountingMeasuring(int* ended) : m_ended(ended) {}
    void EndMeasuring() override { ++*m_ended; }
    bool IsMeasuring() const override { return false; }

private:
    int* m_ended;
};

class ViewInputTest : public ViewTest {};

TEST_F(ViewInputTest, LostReleaseEndsTheDragAndTheNextPressStartsAnother)
{
    // The ways a release gets lost: another window takes the focus (a message box), the
    // button goes up outside our sight (seen on the next move), the view is hidden, Escape.
    enum class Loss { FocusOut, MoveWithoutButton, Hide, Escape, SecondPress };
    for (const Loss loss : {Loss::FocusOut, Loss::MoveWithoutButton, Loss::Hide, Loss::Escape, Loss::SecondPress}) {
        SCOPED_TRACE(int(loss));
        Open(0, QSize(200, 200));
        host.tool = TOOL_ZOOM_IN;
        const WorldRect before = view->GetWorldRect();
        Mouse(*view, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(20, 20), Qt::LeftButton);
        Mouse(*view, QEvent::MouseMove, Qt::NoButton, QPoint(120, 120), Qt::LeftButton);
        ASSERT_TRUE(view->IsDragging());
        ASSERT_FALSE(view->IsRedrawEnabled());
        switch (loss) {
        case Loss::FocusOut: {
            QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
            QCoreApplication::sendEvent(view.get(), &out);
            break;
        }
        case Loss::MoveWithoutButton: Mouse(*view, QEvent::MouseMove, Qt::NoButton, QPoint(130, 130), Qt::NoButton); break;
        case Loss::Hide: view->hide(); break;
        case Loss::Escape: Key(*view, Qt::Key_Escape); break;
        case Loss::SecondPress:
            Mouse(*view, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(50, 50), Qt::LeftButton);
            break;
        }
        if (loss == Loss::SecondPress) {
            // The new press is a drag of its own: released, it zooms about its own point.
            EXPECT_TRUE(view->IsDragging());
            const WorldPoint clicked = view->PixelToWorld(QPoint(50, 50));
            Mouse(*view, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(50, 50), Qt::NoButton);
            EXPECT_NEAR(Centre(*view).x, clicked.x, 1e-9);
            continue;
        }
        EXPECT_FALSE(view->IsDragging());
        EXPECT_TRUE(view->IsRedrawEnabled());
        EXPECT_EQ(view->GetWorldRect(), before);  // a cancelled drag changes nothing
        if (loss == Loss::Hide) view->show();
        // The next press and release is a normal zoom click about its own point.
        const WorldPoint clicked = view->PixelToWorld(QPoint(60, 70));
        Click(*view, QPoint(60, 70));
        EXPECT_NEAR(Centre(*view).x, clicked.x, 1e-9);
        EXPECT_NEAR(Centre(*view).y, clicked.y, 1e-9);
    }
}

TEST_F(ViewInputTest, LostReleaseOfAMiddleButtonPanGivesTheToolBack)
{
    Open(0, QSize(200, 200));
    view->OnCommand(ID_VIEW_ZOOM_OUT);
    const WorldRect before = view->GetWorldRect();
    Mouse(*view, QEvent::MouseButtonPress, Qt::MiddleButton, QPoint(50, 50), Qt::MiddleButton);
    Mouse(*view, QEvent::MouseMove, Qt::NoButton, QPoint(90, 80), Qt::MiddleButton);
    EXPECT_EQ(host.tool, TOOL_PAN);
    QFocusEvent out(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(view.get(), &out);
    EXPECT_EQ(host.tool, TOOL_ZOOM_OUT);
    EXPECT_EQ(view->GetWorldRect(), before);
    // The pan preview is over: the window shows the map where it is.
    QApplication::processEvents();
    const QImage shown = view->grab().toImage();
    EXPECT_EQ(shown.pixelColor(5, 5), view->palette().color(QPalette::Base));
}

TEST_F(ViewInputTest, ObjectsAddedDuringADragArePaintedAfterIt)
{
    Open(0, QSize(200, 200));
    view->OnCommand(ID_VIEW_ZOOM_IN);
    QApplication::processEvents();
    Mouse(*view, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(10, 10), Qt::LeftButton);
    GPoint* p = AddPoint(50.0, 50.0);
    const QPoint px = view->GetViewport().WorldToScreen(p->m_ptPos);
    Key(*view, Qt::Key_Escape);  // the drag ends without changing the view
    QApplication::processEvents();
    EXPECT_EQ(view->screen()->grabWindow(view->winId()).toImage().pixelColor(px), QColor(27, 158, 30));
}

TEST_F(ViewInputTest, WheelZoomsOncePerWholeNotch)
{
    struct Row {
        std::vector<int> deltas;
        int steps;  // zoom steps in (+) or out (-)
    };
    const Row rows[] = {
        {{120}, 1},  {{-120}, -1},        {{240}, 2},          {{30, 30, 30}, 0}, {{30, 30, 30, 30}, 1},
        {{60, -60, -60}, -1}, {{1}, 0}, {{-15, -15, -15, -15, -15, -15, -15, -15}, -1}, {{150, 90}, 2},
    };
    for (const Row& row : rows) {
        Open(0, QSize(200, 200));
        const double w0 = Width(*view);
        for (int d : row.deltas) Wheel(*view, QPoint(100, 100), d);
        const double steps = std::log(w0 / Width(*view)) / std::log(Viewport::kWheelFactor);
        EXPECT_NEAR(steps, row.steps, 1e-9) << testing::PrintToString(row.deltas);
    }
}

TEST_F(ViewInputTest, FarAwayAndNaNObjectsRepaintWithoutOverflow)
{
    // At the smallest scale a point 300 km away lies three billion pixels off: every pixel
    // rectangle on the way must saturate instead of overflowing (UBSan checks this run).
    Open(31467, QSize(200, 200));
    const WorldPoint centre{0.0, 0.0};
    view->SetView(&centre, 0.0001 * 100);
    ASSERT_DOUBLE_EQ(view->GetScale(), Viewport::kMinScale);
    GPoint* far = AddPoint(300000.0, -300000.0);
    GPoint* nan = AddPoint(std::numeric_limits<double>::quiet_NaN(), 0.0);
    auto ring = std::make_unique<GRing>();
    ring->Add(WorldPoint{-300000.0, 0.0});
    ring->Add(WorldPoint{300000.0, 0.0});
    auto* line = new GPolyline(std::move(ring));
    ASSERT_TRUE(doc.AddObject(line));
    doc.UpdateObject(far, true);
    doc.UpdateObject(nan, true);
    view->InvalidatePixels(PixelRect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, true);
    view->InvalidateOverlay(PixelRect{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN});
    QApplication::processEvents();
    const QImage img = view->grab().toImage();
    EXPECT_EQ(img.size(), QSize(200, 200));
    std::unique_ptr<GObj> gone = doc.RemoveObject(far);
    gone = doc.RemoveObject(nan);
    QApplication::processEvents();
}

TEST_F(ViewInputTest, ManyScatteredErasesNeverClearWhatIsNotDrawnAgain)
{
    // Two map areas far apart are invalidated without erase; then many small erase requests
    // inside them. Once the erase region is simplified to its bounds it spans the gap between
    // the two areas, and the gap must be drawn again after being cleared.
    Open(0, QSize(200, 200));
    GPoint* between = AddPoint(Centre(*view).x, Centre(*view).y);
    QApplication::processEvents();
    const QPoint px = view->GetViewport().WorldToScreen(between->m_ptPos);
    const auto shown = [&] { return view->screen()->grabWindow(view->winId()).toImage().pixelColor(px); };
    ASSERT_EQ(shown(), QColor(27, 158, 30));
    view->InvalidatePixels(PixelRect{0, 0, 40, 200}, false);
    view->InvalidatePixels(PixelRect{160, 0, 200, 200}, false);
    for (int i = 0; i < 100; ++i) {
        const int x = (i % 2) ? 2 * (i % 20) : 160 + 2 * (i % 20);
        view->InvalidatePixels(PixelRect{x, 2 * i, x + 1, 2 * i + 1}, true);
    }
    QApplication::processEvents();
    // An overlay repaint copies the whole map picture to the window.
    view->InvalidateOverlay(PixelRect{0, 0, 200, 200});
    QApplication::processEvents();
    EXPECT_EQ(shown(), QColor(27, 158, 30));
}

TEST_F(ViewInputTest, FailedPrintIsReported)
{
    Open(0, QSize(200, 200));
    AddPoint(0.0, 0.0);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QStringLiteral("/nonexistent-folder/karte.pdf"));
    host.printer = &printer;
    test::MessageRecorder messages;
    EXPECT_TRUE(view->OnCommand(ID_FILE_PRINT_DIRECT));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].textId, 1601);
    EXPECT_EQ(messages.messages()[0].text, QStringLiteral("Der Druck auf \"/nonexistent-folder/karte.pdf\" ist fehlgeschlagen."));
    EXPECT_FALSE(view->PrintToPdf(QStringLiteral("/nonexistent-folder/karte2.pdf")));

    // A print that works says nothing.
    QTemporaryDir dir;
    printer.setOutputFileName(dir.filePath(QStringLiteral("karte.pdf")));
    EXPECT_TRUE(view->OnCommand(ID_FILE_PRINT_DIRECT));
    EXPECT_EQ(messages.messages().size(), 1u);
}

TEST_F(ViewInputTest, HostToolsServeEveryViewWithKeysCancelAndOverlay)
{
    ToolRegistry tools;
    ScriptTool tool;
    tools.Register(TOOL_SELECT, &tool);
    host.tools = &tools;
    Open(0, QSize(200, 200));
    CKorvelView second(&doc, &host);
    second.resize(100, 100);
    host.tool = TOOL_SELECT;

    Click(*view, QPoint(10, 20), QPoint(30, 40));
    Click(second, QPoint(5, 6));
    Key(*view, Qt::Key_Space);   // used by the tool
    Key(*view, Qt::Key_PageUp);  // not used: the view zooms out
    Mouse(*view, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(7, 8), Qt::LeftButton);
    test::RecordingCanvas canvas(false);
    view->OnDraw(canvas, PixelRect{});
    EXPECT_EQ(canvas.CallsStartingWith(QStringLiteral("Line 1 1 5 5")).size(), 1);  // the tool's overlay
    Key(*view, Qt::Key_Escape);
    EXPECT_EQ(tool.log, (QStringList{"press 10,20", "move 30,40", "release 30,40", "press 5,6", "release 5,6",
                                    QStringLiteral("key %1").arg(Qt::Key_Space), QStringLiteral("key %1").arg(Qt::Key_PageUp),
                                    "press 7,8", "cancel"}));
    // Zoom and pan are still there for the host's views.
    EXPECT_NE(tools.Handler(TOOL_PAN), nullptr);
    EXPECT_EQ(tools.Handler(TOOL_FIND_POINT), nullptr);
    // A tool nobody serves captures nothing.
    host.tool = TOOL_FIND_POINT;
    Mouse(*view, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(7, 8), Qt::LeftButton);
    EXPECT_FALSE(view->IsDragging());
}

TEST_F(ViewInputTest, OverlaysDrawInTheirOrderAboveTheMapAndNeverPrint)
{
    Open(0, QSize(200, 200));
    AddPoint(0.0, 0.0);
    LineOverlay top(3), middle(2), bottom(1);
    view->AddOverlay(kOverlayRubberBand + 1, &top);
    view->AddOverlay(kOverlayFindMarker + 1, &middle);
    view->AddOverlay(kOverlayTrack - 1, &bottom);
    view->AddOverlay(kOverlayTrack - 1, &bottom);  // once only
    test::RecordingCanvas screen(false);
    view->OnDraw(screen, PixelRect{});
    const QStringList calls = screen.Calls();
    const auto at = [&](const QString& c) { return calls.indexOf(c); };
    ASSERT_GE(at(QStringLiteral("Line 1 0 1 9")), 0);
    EXPECT_LT(calls.indexOf(QRegularExpression(QStringLiteral("^Ellipse"))), at(QStringLiteral("Line 1 0 1 9")));
    EXPECT_LT(at(QStringLiteral("Line 1 0 1 9")), at(QStringLiteral("Line 2 0 2 9")));
    EXPECT_LT(at(QStringLiteral("Line 2 0 2 9")), at(QStringLiteral("Line 3 0 3 9")));
    EXPECT_EQ(calls.count(QStringLiteral("Line 1 0 1 9")), 1);

    test::RecordingCanvas printer(true);
    view->BeginPrinting(200, 200);
    view->OnDraw(printer, PixelRect{0, 0, 200, 200});
    view->EndPrinting();
    EXPECT_TRUE(printer.CallsStartingWith(QStringLiteral("Line")).isEmpty());
    view->RemoveOverlay(&middle);
    test::RecordingCanvas again(false);
    view->OnDraw(again, PixelRect{});
    EXPECT_FALSE(again.Calls().contains(QStringLiteral("Line 2 0 2 9")));
}

TEST_F(ViewInputTest, RubberBandAndPanDragDoNotRenderTheMapAgain)
{
    // The map is rendered into a picture once; dragging a band or panning only copies it.
    doc.OnNewDocument(900913);
    int renders = 0;
    view = std::make_unique<CKorvelView>(&doc, &host);
    view->SetTileLayerHook([&](const TilePaintRequest&) {
        ++renders;
        return false;
    });
    view->resize(200, 200);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    QApplication::processEvents();
    for (const int tool : {ID_VIEW_ZOOM_IN, ID_VIEW_PAN}) {
        view->OnCommand(tool);
        const int before = renders;
        Mouse(*view, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(20, 20), Qt::LeftButton);
        for (int i = 1; i <= 10; ++i) {
            Mouse(*view, QEvent::MouseMove, Qt::NoButton, QPoint(20 + 10 * i, 20 + 5 * i), Qt::LeftButton);
            view->repaint();
        }
        EXPECT_EQ(renders, before) << tool;
        Mouse(*view, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(120, 70), Qt::NoButton);
        view->repaint();
        EXPECT_EQ(renders, before + 1) << tool;  // the new view, once
    }
}

TEST_F(ViewInputTest, MeasuringEndsWhenTheViewCloses)
{
    int ended = 0;
    host.makeMeasuring = [&](CKorvelView&) { return std::make_unique<CountingMeasuring>(&ended); };
    Open(0);
    ASSERT_NE(view->measuring(), nullptr);
    EXPECT_EQ(ended, 0);
    view.reset();
    EXPECT_EQ(ended, 1);
    // Without a host there is nothing to end.
    CKorvelView plain(&doc);
    EXPECT_EQ(plain.measuring(), nullptr);
}

}  // namespace
}  // namespace korvel
