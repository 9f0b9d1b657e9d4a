// Rendering a large document into a 1920x1080 image: the view's whole paint path (list walk,
// culling by pixel rectangle, mapping, the QPainter canvas) against the same primitives drawn
// straight from flat arrays with QPainter, at full extent and zoomed in.
//
// Document: 100,000 points, 10,000 polylines of 100 vertices (1,000,000 vertices) and 10,000
// polygons of 12 vertices, spread over 100 km x 100 km.
#include "model/glist.h"
#include "model/gpoint.h"
#include "model/gpolyline.h"
#include "model/gring.h"
#include "model/korveldoc.h"
#include "view/korvelview.h"
#include "view/qpaintercanvas.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace korvel {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kPoints = 100000;
constexpr int kLines = 10000;
constexpr int kLineVertices = 100;
constexpr int kAreas = 10000;
constexpr int kAreaVertices = 12;
constexpr double kExtent = 100000.0;  // metres
constexpr double kOriginX = 500000.0;
constexpr double kOriginY = 5500000.0;

// The same geometry as flat arrays, with each object's bounds for culling.
struct FlatShapes {
    std::vector<double> xy;         // all vertices, x y pairs
    std::vector<uint32_t> start;    // first vertex of each shape
    std::vector<uint32_t> count;    // vertices of each shape
    std::vector<WorldRect> bounds;  // bounds of each shape
};

struct Scene {
    CKorvelDoc doc;
    std::unique_ptr<CKorvelView> view;
    FlatShapes points, lines, areas;
};

// Built in main and destroyed there before the application object: a view or an application
// left to static destruction would outlive Qt's own clean-up and crash the program at exit.
std::unique_ptr<Scene> g_scene;

void AddFlat(FlatShapes& f, const std::vector<WorldPoint>& pts)
{
    f.start.push_back(uint32_t(f.xy.size() / 2));
    f.count.push_back(uint32_t(pts.size()));
    WorldRect b;
    for (const WorldPoint& p : pts) {
        f.xy.push_back(p.x);
        f.xy.push_back(p.y);
        b.Unite(p);
    }
    f.bounds.push_back(b);
}

std::unique_ptr<GRing> MakeRing(const std::vector<WorldPoint>& pts)
{
    auto ring = std::make_unique<GRing>(int32_t(pts.size()));
    for (const WorldPoint& p : pts) ring->Add(p);
    return ring;
}

Scene& GetScene()
{
    if (!g_scene) {
        g_scene = std::make_unique<Scene>();
        Scene* s = g_scene.get();
        s->doc.OnNewDocument(25832);
        GList* root = s->doc.m_pRoot.get();
        std::mt19937 rng(4711);
        std::uniform_real_distribution<double> pos(0.0, kExtent);
        std::uniform_real_distribution<double> step(-60.0, 60.0);
        std::vector<WorldPoint> pts;
        // Drawing order: areas underneath, then lines, then points on top.
        for (int i = 0; i < kAreas; ++i) {
            const double cx = kOriginX + pos(rng);
            const double cy = kOriginY + pos(rng);
            pts.clear();
            for (int k = 0; k < kAreaVertices; ++k) {
                const double a = -2.0 * M_PI * k / kAreaVertices;  // clockwise
                pts.push_back(WorldPoint{cx + 150.0 * std::cos(a), cy + 150.0 * std::sin(a)});
            }
            auto* area = new GPolygon(MakeRing(pts));
            area->CalcBounds();
            root->AddTail(area);
            AddFlat(s->areas, pts);
        }
        for (int i = 0; i < kLines; ++i) {
            double x = kOriginX + pos(rng);
            double y = kOriginY + pos(rng);
            pts.clear();
            for (int k = 0; k < kLineVertices; ++k) {
                pts.push_back(WorldPoint{x, y});
                x += step(rng);
                y += step(rng);
            }
            auto* line = new GPolyline(MakeRing(pts));
            line->CalcBounds();
            root->AddTail(line);
            AddFlat(s->lines, pts);
        }
        for (int i = 0; i < kPoints; ++i) {
            const WorldPoint p{kOriginX + pos(rng), kOriginY + pos(rng)};
            root->AddTail(new GPoint(p));
            AddFlat(s->points, {p});
        }
        root->CalcBounds();
        s->view = std::make_unique<CKorvelView>(&s->doc);
        s->view->resize(kWidth, kHeight);
        s->view->show();
        QApplication::processEvents();
    }
    return *g_scene;
}

// Full extent (0) or a window of 1/10 of the extent's width around the centre (1).
void SetExtent(Scene& s, int zoomed)
{
    s.view->OnCommand(ID_VIEW_FIT_ALL);
    if (zoomed) {
        const WorldPoint c{kOriginX + kExtent / 2, kOriginY + kExtent / 2};
        s.view->SetView(&c, kExtent / 20);
    }
}

void BM_ViewPaintPath(benchmark::State& state)
{
    Scene& s = GetScene();
    SetExtent(s, int(state.range(0)));
    QImage img(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter painter(&img);
        QPainterCanvas canvas(&painter, false);
        s.view->OnDraw(canvas, PixelRect{0, 0, kWidth, kHeight});
        painter.end();
        benchmark::DoNotOptimize(img.constBits());
    }
}

// The mapping rule of the view, written out.
inline QPoint Map(double x, double y, double x0, double y0, double sc)
{
    return QPoint(int(std::trunc((x - x0) / sc + 0.5)), int(std::trunc((y0 - y) / sc + 0.5)));
}

void BM_FlatArrays(benchmark::State& state)
{
    Scene& s = GetScene();
    SetExtent(s, int(state.range(0)));
    const WorldRect vis = s.view->GetWorldRect();
    const double x0 = vis.minX;
    const double y0 = vis.maxY;
    const double sc = s.view->GetScale();
    const auto visible = [&](const WorldRect& b) {
        // The same generous test as the view's pixel rectangles (symbol and pen margins).
        const double m = 10 * sc;
        return b.maxX + m >= vis.minX && b.minX - m <= vis.maxX && b.maxY + m >= vis.minY && b.minY - m <= vis.maxY;
    };
    QImage img(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    QPolygon poly;
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        QPen pen(QColor(0, 0, 255), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(QBrush(QColor(0, 0, 255), Qt::BDiagPattern));
        p.setBackgroundMode(Qt::TransparentMode);
        for (size_t i = 0; i < s.areas.start.size(); ++i) {
            if (!visible(s.areas.bounds[i])) continue;
            const double* v = &s.areas.xy[2 * s.areas.start[i]];
            poly.resize(int(s.areas.count[i]));
            for (uint32_t k = 0; k < s.areas.count[i]; ++k) poly[int(k)] = Map(v[2 * k], v[2 * k + 1], x0, y0, sc);
            p.drawPolygon(poly, Qt::OddEvenFill);
        }
        pen.setColor(QColor(138, 43, 226));
        p.setPen(pen);
        for (size_t i = 0; i < s.lines.start.size(); ++i) {
            if (!visible(s.lines.bounds[i])) continue;
            const double* v = &s.lines.xy[2 * s.lines.start[i]];
            poly.resize(int(s.lines.count[i]));
            for (uint32_t k = 0; k < s.lines.count[i]; ++k) poly[int(k)] = Map(v[2 * k], v[2 * k + 1], x0, y0, sc);
            p.drawPolyline(poly);
        }
        p.setPen(QPen(QColor(27, 158, 30), 0));
        p.setBrush(QColor(27, 158, 30));
        for (size_t i = 0; i < s.points.start.size(); ++i) {
            if (!visible(s.points.bounds[i])) continue;
            const double* v = &s.points.xy[2 * s.points.start[i]];
            const QPoint c = Map(v[0], v[1], x0, y0, sc);
            p.drawEllipse(QRectF(c.x() - 3.5, c.y() - 3.5, 7.0, 7.0));
        }
        p.end();
        benchmark::DoNotOptimize(img.constBits());
    }
}

BENCHMARK(BM_ViewPaintPath)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->ArgName("zoomed");
BENCHMARK(BM_FlatArrays)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->ArgName("zoomed");

}  // namespace
}  // namespace korvel

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    korvel::g_scene.reset();
    return 0;
}
