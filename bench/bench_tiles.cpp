// A full repaint of a 1920 x 1080 map view from background tiles, through the tile layer (tile
// loop, tile list, GTile drawing, QPainter canvas), against decoding and drawing the same tile
// files straight with QImage and QPainter into the same places, in the same run:
//   - from memory: the layer reuses the tiles of its last paint; QImage draws pictures it has
//     already decoded;
//   - from the disk cache: a layer without tiles in memory decodes every cache file; QImage
//     decodes every file.
// The tiles: 256 x 256 PNGs made here (paper-coloured ground, green and blue areas, white and
// yellow roads: the white is transparent in the view), in a temporary cache folder.
#include "imagery/gtile.h"
#include "imagery/tilemath.h"
#include "view/korvelview.h"
#include "view/qpaintercanvas.h"
#include "view/tilelayer.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace korvel {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kZoom = 14;
constexpr int kTilePixels = 640;  // on screen: the zoom rule shows 2 to 4 tiles across

// A street-map-like tile.
QImage MakeTile(std::mt19937& rng)
{
    QImage img(256, 256, QImage::Format_RGB32);
    img.fill(QColor(242, 239, 233));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    std::uniform_real_distribution<double> pos(0.0, 256.0);
    for (int i = 0; i < 3; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(i == 0 ? QColor(170, 211, 223) : QColor(200, 230, 180));
        p.drawEllipse(QPointF(pos(rng), pos(rng)), 20 + pos(rng) / 6, 15 + pos(rng) / 8);
    }
    for (int i = 0; i < 6; ++i) {
        QPainterPath road(QPointF(pos(rng), -5));
        road.cubicTo(QPointF(pos(rng), pos(rng)), QPointF(pos(rng), pos(rng)), QPointF(pos(rng), 261));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(180, 170, 160), 9));
        p.drawPath(road);
        p.setPen(QPen(i % 3 == 0 ? QColor(247, 250, 191) : QColor(255, 255, 255), 7));
        p.drawPath(road);
    }
    return img;
}

struct Scene {
    QTemporaryDir dir;
    QString root;
    ViewTransform transform;
    std::vector<TileKey> keys;     // the tiles the view shows
    std::vector<QString> files;    // their cache files
    std::vector<QRect> places;     // where they are drawn
    std::vector<QImage> decoded;   // decoded once, for the drawing-only comparison
    std::unique_ptr<CTileLayer> warm;  // a layer that has painted once
};

std::unique_ptr<Scene> g_scene;

Scene& GetScene()
{
    if (g_scene) return *g_scene;
    g_scene = std::make_unique<Scene>();
    Scene& s = *g_scene;
    s.root = s.dir.filePath(QStringLiteral("cache"));
    // Near 9° E, 50° N; tile edges not on the window's edges.
    const TileKey anchor = *TileForPoint(9.0, 50.0, kZoom, kTileServiceOsm);
    const WorldRect a = TileBounds(anchor).bounds;
    const double tileMetres = a.maxX - a.minX;
    s.transform.scale = tileMetres / kTilePixels;
    s.transform.x0 = a.minX + 0.3 * tileMetres;
    s.transform.y0 = a.maxY - 0.2 * tileMetres;
    std::mt19937 rng(2024);
    const int columns = kWidth / kTilePixels + 1;
    const int rows = kHeight / kTilePixels + 1;
    for (int dy = 0; dy <= rows; ++dy) {
        for (int dx = 0; dx <= columns; ++dx) {
            const TileKey key{anchor.x + dx, anchor.y + dy, kZoom, kTileServiceOsm};
            const PixelRect r = s.transform.ToScreen(TileBounds(key).bounds);
            if (r.right <= 0 || r.left >= kWidth || r.bottom <= 0 || r.top >= kHeight) continue;
            QDir().mkpath(TileCacheFolder(key, s.root));
            const QString file = TileCacheFile(key, s.root);
            MakeTile(rng).save(file, "PNG");
            s.keys.push_back(key);
            s.files.push_back(file);
            s.places.push_back(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
            s.decoded.push_back(QImage(file));
        }
    }
    s.warm = std::make_unique<CTileLayer>(nullptr, s.root);
    return s;
}

// One full repaint through the layer onto `img`.
bool PaintLayer(Scene& s, CTileLayer& layer, QImage& img)
{
    QPainter painter(&img);
    QPainterCanvas canvas(&painter, false);
    TilePaintRequest req;
    req.canvas = &canvas;
    req.transform = s.transform;
    req.client = PixelRect{0, 0, kWidth, kHeight};
    req.clip = req.client;
    req.service = kTileServiceOsm;
    req.crs = 900913;
    return layer.Paint(req);
}

void BM_TileLayerFromMemory(benchmark::State& state)
{
    Scene& s = GetScene();
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    s.warm->SetSliceMs(-1);
    PaintLayer(s, *s.warm, img);
    for (auto _ : state) {
        PaintLayer(s, *s.warm, img);
        benchmark::DoNotOptimize(img.constBits());
    }
    state.counters["tiles"] = double(s.keys.size());
}

void BM_QImageDrawDecoded(benchmark::State& state)
{
    Scene& s = GetScene();
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter painter(&img);
        for (size_t i = 0; i < s.keys.size(); ++i) painter.drawImage(s.places[i], s.decoded[i]);
        painter.end();
        benchmark::DoNotOptimize(img.constBits());
    }
}

void BM_TileLayerFromCache(benchmark::State& state)
{
    Scene& s = GetScene();
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        CTileLayer layer(nullptr, s.root);
        layer.SetSliceMs(-1);
        PaintLayer(s, layer, img);
        benchmark::DoNotOptimize(img.constBits());
    }
}

void BM_QImageDecodeAndDraw(benchmark::State& state)
{
    Scene& s = GetScene();
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter painter(&img);
        for (size_t i = 0; i < s.keys.size(); ++i) painter.drawImage(s.places[i], QImage(s.files[i]));
        painter.end();
        benchmark::DoNotOptimize(img.constBits());
    }
}

// Both sides must draw the same picture (the tiles' white is the white background on both),
// or the comparison means nothing: answers the share of pixels that differ. About 1 % do: where
// a tile pixel becomes 2 or 3 screen pixels (2.5 times enlarged), the two round the seams
// differently.
double DifferentPixels()
{
    Scene& s = GetScene();
    QImage layerImage(kWidth, kHeight, QImage::Format_RGB32);
    CTileLayer layer(nullptr, s.root);
    PaintLayer(s, layer, layerImage);
    PaintLayer(s, layer, layerImage);  // drawn again, from memory
    QImage direct(kWidth, kHeight, QImage::Format_RGB32);
    direct.fill(Qt::white);
    QPainter painter(&direct);
    for (size_t i = 0; i < s.keys.size(); ++i) painter.drawImage(s.places[i], s.decoded[i]);
    painter.end();
    qint64 differ = 0;
    for (int y = 0; y < kHeight; ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(layerImage.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(direct.constScanLine(y));
        for (int x = 0; x < kWidth; ++x) differ += (a[x] & 0xFFFFFFu) != (b[x] & 0xFFFFFFu);
    }
    return double(differ) / (double(kWidth) * kHeight);
}

BENCHMARK(BM_TileLayerFromMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QImageDrawDecoded)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TileLayerFromCache)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QImageDecodeAndDraw)->Unit(benchmark::kMillisecond);

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
    const double differ = korvel::DifferentPixels();
    std::fprintf(stderr, "pixels that differ between the two sides: %.3f %%\n", 100 * differ);
    if (differ > 0.02) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    korvel::g_scene.reset();
    return 0;
}
