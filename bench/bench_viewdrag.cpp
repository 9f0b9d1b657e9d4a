// What one frame of a mouse drag costs in the map view: a rubber-band move and a pan-drag
// move, each followed by the synchronous repaint it causes, on documents of 10,000 and
// 1,000,000 line vertices. The view renders the map into a picture once and drags only copy
// it, so both figures should stay flat as the document grows. For comparison, the first full
// repaint after a change of view.
#include "model/glist.h"
#include "model/gpolyline.h"
#include "model/gring.h"
#include "model/korveldoc.h"
#include "view/korvelview.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QWindow>

#include <map>
#include <memory>
#include <random>

namespace korvel {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kVerticesPerLine = 100;

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_viewdrag";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);  // lives to the end of the process
    return *app;
}

struct Scene {
    CKorvelDoc doc;
    std::unique_ptr<CKorvelView> view;
};

// A document of `vertices` line vertices over 100 km x 100 km, shown at full extent.
Scene& GetScene(int vertices)
{
    static std::map<int, std::unique_ptr<Scene>> scenes;
    auto& slot = scenes[vertices];
    if (slot) return *slot;
    App();
    slot = std::make_unique<Scene>();
    Scene& s = *slot;
    s.doc.OnNewDocument(25832);
    GList* root = s.doc.m_pRoot.get();
    std::mt19937 rng(4711);
    std::uniform_real_distribution<double> pos(0.0, 100000.0);
    std::uniform_real_distribution<double> step(-60.0, 60.0);
    for (int i = 0; i < vertices / kVerticesPerLine; ++i) {
        double x = 500000.0 + pos(rng);
        double y = 5500000.0 + pos(rng);
        auto ring = std::make_unique<GRing>(kVerticesPerLine);
        for (int k = 0; k < kVerticesPerLine; ++k) {
            ring->Add(WorldPoint{x, y});
            x += step(rng);
            y += step(rng);
        }
        auto* line = new GPolyline(std::move(ring));
        line->CalcBounds();
        root->AddTail(line);
    }
    root->CalcBounds();
    s.view = std::make_unique<CKorvelView>(&s.doc);
    s.view->resize(kWidth, kHeight);
    s.view->show();
    // Paint only once the window is exposed; before that repaint() does nothing.
    for (int i = 0; i < 100 && !(s.view->windowHandle() && s.view->windowHandle()->isExposed()); ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    s.view->OnCommand(ID_VIEW_FIT_ALL);
    s.view->repaint();
    return s;
}

// Counts the paints a view really receives, so a figure is never the cost of doing nothing.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            ++paints;
            pixels += double(static_cast<QPaintEvent*>(e)->region().boundingRect().width()) *
                      static_cast<QPaintEvent*>(e)->region().boundingRect().height();
        }
        return false;
    }
    int64_t paints = 0;
    double pixels = 0;
};

void Send(QWidget& w, QEvent::Type type, QPoint p, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(p), w.mapToGlobal(QPointF(p)), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  held, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}

// One frame of a drag with the given tool: the mouse moves, the view repaints what changed.
void DragFrames(benchmark::State& state, int toolCommand)
{
    Scene& s = GetScene(int(state.range(0)));
    CKorvelView& v = *s.view;
    v.OnCommand(toolCommand);
    Send(v, QEvent::MouseButtonPress, QPoint(400, 300), Qt::LeftButton);
    v.repaint();
    PaintCounter counter;
    v.installEventFilter(&counter);
    int i = 0;
    for (auto _ : state) {
        ++i;
        Send(v, QEvent::MouseMove, QPoint(400 + 300 + (i % 200), 300 + 200 + (i % 150)), Qt::LeftButton);
        // The paint the move asked for, as the event loop would deliver it.
        QApplication::processEvents();
    }
    v.removeEventFilter(&counter);
    state.counters["paints"] = benchmark::Counter(double(counter.paints), benchmark::Counter::kAvgIterations);
    state.counters["pixels"] = benchmark::Counter(counter.pixels, benchmark::Counter::kAvgIterations);
    // End the drag where it started, so the view stays as it was for the next run.
    Send(v, QEvent::MouseMove, QPoint(400, 300), Qt::LeftButton);
    Send(v, QEvent::MouseButtonRelease, QPoint(400, 300), Qt::NoButton);
    v.OnCommand(toolCommand);
    v.OnCommand(ID_VIEW_FIT_ALL);
    v.repaint();
}

void BM_RubberBandMove(benchmark::State& state) { DragFrames(state, ID_VIEW_ZOOM_IN); }
void BM_PanDragMove(benchmark::State& state) { DragFrames(state, ID_VIEW_PAN); }

// A change of view and the full repaint it causes, for scale.
void BM_FullRepaint(benchmark::State& state)
{
    Scene& s = GetScene(int(state.range(0)));
    PaintCounter counter;
    s.view->installEventFilter(&counter);
    for (auto _ : state) {
        s.view->InvalidateAll();
        s.view->repaint();
    }
    s.view->removeEventFilter(&counter);
    state.counters["paints"] = benchmark::Counter(double(counter.paints), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_RubberBandMove)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PanDragMove)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRepaint)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvel

BENCHMARK_MAIN();
