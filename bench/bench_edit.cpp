// What the editing tools cost on large documents: a click selection among 1,000,000 points,
// deleting 100,000 selected objects with Delete and undoing it, and labelling 1,000,000
// points. Each runs through the map view as the user's action does (notifications, repaint
// requests, undo steps), on the offscreen platform.
#include "app/docundo.h"
#include "app/edittools.h"
#include "app/labeldlg.h"
#include "app/labelfont.h"
#include "model/cobjenum.h"
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/korveldoc.h"
#include "view/korvelview.h"
#include "view/selection.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QUndoStack>

#include <memory>
#include <random>

namespace korvel {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_edit";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// `points` measured points (with "PTNR") scattered over 100 km x 100 km, shown at full extent.
struct Scene {
    explicit Scene(int points)
    {
        App();
        doc.OnNewDocument(25832);
        std::mt19937 rng(4711);
        std::uniform_real_distribution<double> pos(0.0, 100000.0);
        for (int i = 0; i < points; ++i) {
            auto* p = new GPoint(WorldPoint{500000.0 + pos(rng), 5500000.0 + pos(rng)});
            p->SetInfo(QStringLiteral("PTNR"), QString::number(i + 1));
            doc.AddObject(p);
        }
        view = std::make_unique<CKorvelView>(&doc);
        view->resize(kWidth, kHeight);
        view->show();
        view->FitAll();
        QApplication::processEvents();
    }
    CKorvelDoc doc;
    std::unique_ptr<CKorvelView> view;
};

void BM_ClickSelection(benchmark::State& state)
{
    Scene scene(int(state.range(0)));
    // The pixel of the last point: a hit, and one that changes the selection every time.
    GObj* last = scene.doc.m_pRoot->m_list.GetTail() ? static_cast<GObj*>(scene.doc.m_pRoot->m_list.GetTail()) : nullptr;
    const QPoint px = scene.view->GetViewport().WorldToScreen(last->m_ptPos);
    const QPoint empty(5, 5);
    bool flip = false;
    for (auto _ : state) {
        const QPoint at = flip ? empty : px;
        flip = !flip;
        benchmark::DoNotOptimize(SelectObjects(*scene.view, PixelRect{at.x(), at.y(), at.x(), at.y()}, false, kSelectAllTypes));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ClickSelection)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Delete of `range(0)` selected objects in a document of twice as many, then its undo.
void BM_DeleteSelected(benchmark::State& state)
{
    const int selected = int(state.range(0));
    Scene scene(selected * 2);
    CDocUndo* undo = CDocUndo::Of(&scene.doc);
    for (auto _ : state) {
        state.PauseTiming();
        int i = 0;
        CObjEnum walk(scene.doc.m_pRoot.get());
        for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
            if (i++ % 2 == 0) o->m_wFlags |= GF_SELECTED;
        }
        state.ResumeTiming();
        const size_t n = CEditTools::DeleteSelection(*scene.view);
        state.PauseTiming();
        QApplication::processEvents();
        if (n != size_t(selected)) state.SkipWithError("wrong number deleted");
        undo->Stack()->undo();  // timed separately below
        SelectObjects(scene.doc, 0, kSelectAllTypes);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * selected);
}
BENCHMARK(BM_DeleteSelected)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UndoDelete(benchmark::State& state)
{
    const int selected = int(state.range(0));
    Scene scene(selected * 2);
    CDocUndo* undo = CDocUndo::Of(&scene.doc);
    for (auto _ : state) {
        state.PauseTiming();
        int i = 0;
        CObjEnum walk(scene.doc.m_pRoot.get());
        for (GObj* o = walk.FirstDeep(); o; o = walk.NextDeep()) {
            if (i++ % 2 == 0) o->m_wFlags |= GF_SELECTED;
        }
        CEditTools::DeleteSelection(*scene.view);
        QApplication::processEvents();
        state.ResumeTiming();
        undo->Stack()->undo();
        state.PauseTiming();
        QApplication::processEvents();
        if (scene.doc.m_pRoot->GetCount() != size_t(selected) * 2) state.SkipWithError("not all back");
        SelectObjects(scene.doc, 0, kSelectAllTypes);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * selected);
}
BENCHMARK(BM_UndoDelete)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Labelling every point with "Nr. <PTNR>" as the command does after OK: compose, lay out in
// the view, add as one undo step. Undone untimed between runs.
void BM_LabelPoints(benchmark::State& state)
{
    const int points = int(state.range(0));
    Scene scene(points);
    CDocUndo* undo = CDocUndo::Of(&scene.doc);
    const LabelRows rows{LabelRow{QStringLiteral("Nr."), QStringLiteral("PTNR"), {}}, {}, {}};
    const LogFont font = DefaultLabelFont();
    double makeMs = 0, addMs = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        auto texts = MakeLabels(scene.doc.m_pRoot.get(), rows, GT_POINT, font, 0, scene.view.get());
        makeMs += double(clock.nsecsElapsed()) / 1e6;
        clock.restart();
        const size_t n = PushAddObjects(scene.doc, std::move(texts), QStringLiteral("Beschriften"));
        addMs += double(clock.nsecsElapsed()) / 1e6;
        scene.view->InvalidateAll();
        state.PauseTiming();
        QApplication::processEvents();
        if (n != size_t(points)) state.SkipWithError("wrong number of labels");
        undo->Stack()->undo();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * points);
    // Where the time goes: composing and laying out the texts, and adding them.
    state.counters["make_ms"] = makeMs / double(state.iterations());
    state.counters["add_ms"] = addMs / double(state.iterations());
}
BENCHMARK(BM_LabelPoints)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace korvel

BENCHMARK_MAIN();
