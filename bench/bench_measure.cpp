// What one recording tick costs while a line is being walked: the receiver has a new position,
// the measuring timer appends it to the track and the view repaints what changed. Measured with
// a track of 10 and of 36,000 points (ten hours at one point a second); a tick should cost the
// same for both, since only the new segment's area is repainted and the track's bounds are
// extended by the new point instead of being recomputed. BM_RecordingTick counts the tick
// itself, BM_RecordingTickPainted adds the paint the event loop delivers for it.
#include "crs/transform.h"
#include "gps/gpssettings.h"
#include "gps/portmanager.h"
#include "model/gpolyline.h"
#include "model/gring.h"
#include "model/korveldoc.h"
#include "survey/measurecontroller.h"
#include "survey/surveyhost.h"
#include "view/korvelview.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPaintEvent>
#include <QWindow>

#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <cmath>
#include <map>
#include <memory>
#include <numbers>

namespace korvel {
namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_measure";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

class Host : public ViewHost, public SurveyHost {
public:
    explicit Host(CGpsSettings* gps) : gps(gps) {}
    int CurrentTool() const override { return 0; }
    void SetCurrentTool(int) override {}
    bool AutoNumbering() const override { return false; }
    void SetAutoNumbering(bool) override {}
    void SetCoordinatePanes(const QString&, const QString&, const QString&) override {}
    std::unique_ptr<MeasuringController> CreateMeasuring(CKorvelView& view) override
    {
        return std::make_unique<CMeasureController>(view, this);
    }
    CGpsSettings* Gps() override { return gps; }
    LogFont LabelFont() const override { return {}; }
    COLORREF LabelColor() const override { return 0; }
    CGpsSettings* gps;
};

// A receiver port opened on a silent pseudo-terminal; the bench writes the fix record itself.
struct Receiver {
    Receiver() : settings(manager)
    {
        char name[256] = {};
        openpty(&master, &slave, name, nullptr, nullptr);
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        manager.SetPortName(settings.port(), QString::fromLocal8Bit(name));
        manager.StartPort(settings.port(), false);
    }
    ~Receiver()
    {
        manager.StopPort(settings.port());
        ::close(master);
        ::close(slave);
    }
    // A new usable fix at `p` (degrees).
    void Report(const WorldPoint& p)
    {
        GpsFix& f = settings.port()->fix();
        f.longitude = p.x;
        f.latitude = p.y;
        f.quality = 1;
        f.hdop = 0.9;
        f.satellitesUsed = 8;
        f.receiveTime = SystemClockSeconds();
        ++f.fixTime;
    }
    CPortManager manager;
    CGpsSettings settings;
    int master = -1;
    int slave = -1;
};

class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
    int64_t paints = 0;
};

constexpr std::int32_t kDocSys = 31467;  // Gauss-Krüger zone 3

// The walk: lanes of 1000 m across a field, 20 m apart, one metre a second (36,000 points are
// 36 lanes, ten hours). Positions in the document's system.
WorldPoint Walk(long i)
{
    const long lane = i / 1000;
    const double along = double(i % 1000);
    return WorldPoint{3500000.0 + (lane % 2 == 0 ? along : 999.0 - along), 5500000.0 + 20.0 * double(lane)};
}

WorldPoint ToDegrees(WorldPoint p)
{
    CoordTransform toWgs{1, kDocSys, CRS_WGS84};
    TransformPoint(&p, &toWgs);
    return p;
}

struct Scene {
    Receiver gps;
    Host host{&gps.settings};
    CKorvelDoc doc;
    std::unique_ptr<CKorvelView> view;
    WorldPoint next[2];  // the two positions the ticks alternate between, beside the track's end
    CMeasureController& measuring() { return *static_cast<CMeasureController*>(view->measuring()); }
};

// A view of 1280 x 800 pixels recording a track of `points` vertices, centred on its end.
Scene& GetScene(int points)
{
    // Kept to the end of the process: the views must not outlive the application object.
    static auto* scenes = new std::map<int, std::unique_ptr<Scene>>;
    auto& slot = (*scenes)[points];
    if (slot) return *slot;
    App();
    slot = std::make_unique<Scene>();
    Scene& s = *slot;
    s.doc.OnNewDocument(kDocSys);
    s.view = std::make_unique<CKorvelView>(&s.doc, &s.host);
    s.view->resize(1280, 800);
    s.view->show();
    for (int i = 0; i < 100 && !(s.view->windowHandle() && s.view->windowHandle()->isExposed()); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    // The bench ticks by hand; the recording timer must not add points of its own.
    s.gps.settings.m_nInterval = 3600;
    s.measuring().StartTrack();
    for (long i = 0; i < points; ++i) {
        s.gps.Report(ToDegrees(Walk(i)));
        s.measuring().OnMeasureTimer(CMeasureController::kTimerTrack);
    }
    const WorldPoint end = Walk(points - 1);
    s.view->SetView(&end, 0.0);
    s.next[0] = ToDegrees(WorldPoint{end.x + 0.5, end.y + 0.5});
    s.next[1] = ToDegrees(WorldPoint{end.x - 0.5, end.y + 0.5});
    s.view->repaint();
    QApplication::processEvents();
    return s;
}

// Each tick appends one point half a metre from the track's end; the track is then cut back
// to its length, so every iteration sees the same track.
void Tick(benchmark::State& state, bool paint)
{
    Scene& s = GetScene(int(state.range(0)));
    GRing* ring = GPolyline::RingAt(s.view->track()->m_pRings->GetHeadPosition());
    const int32_t length = ring->m_nCount;
    const WorldRect window = s.view->GetWorldRect();
    PaintCounter counter;
    s.view->installEventFilter(&counter);
    long i = 0;
    for (auto _ : state) {
        s.gps.Report(s.next[i++ & 1]);
        s.measuring().OnMeasureTimer(CMeasureController::kTimerTrack);
        if (paint) QApplication::processEvents();
        ring->m_nCount = length;
    }
    s.view->removeEventFilter(&counter);
    if (!paint) QApplication::processEvents();
    state.counters["paints"] = benchmark::Counter(double(counter.paints), benchmark::Counter::kAvgIterations);
    state.counters["points"] = double(length);
    if (s.view->GetWorldRect().minX != window.minX) {
        state.SkipWithError("the view moved: not a plain tick");
    }
}

void BM_RecordingTick(benchmark::State& state)
{
    Tick(state, false);
}
void BM_RecordingTickPainted(benchmark::State& state)
{
    Tick(state, true);
}

BENCHMARK(BM_RecordingTick)->Arg(10)->Arg(36000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecordingTickPainted)->Arg(10)->Arg(36000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvel

BENCHMARK_MAIN();
