// Large scanned maps: a 20,000 x 20,000 RGB TIFF (1.2 GB as a bitmap) loaded into its bitmap
// copy, then repainted at 1920 x 1080 pixels whole (fit all) and at one image pixel per screen
// pixel, through the image's own drawing code and the QPainter canvas. The resident memory
// growth while painting is reported as a counter (peak resident set during the paints minus the
// resident set before them).
//
//   bench_image --make-tiff FILE none|deflate [SIZE]   writes the test picture and quits
//   bench_image --load FILE                            loads it once, prints the time, and quits
//   bench_image [benchmark flags]                      the repaint benchmarks; the picture is
//                                                      $KORVEL_BENCH_TIFF or made in /tmp
#include "imagery/gimg.h"
#include "imagery/tempmapfolder.h"
#include "model/gview.h"
#include "view/qpaintercanvas.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace korvel {
namespace {

constexpr int kScreenW = 1920;
constexpr int kScreenH = 1080;
constexpr uint32_t kSize = 20000;
constexpr uint32_t kRowsPerStrip = 16;

// Something like a scanned plan: a paper tone, a grid of dark lines every 250 pixels, a few
// coloured areas; compresses about as well as real scans do.
void FillRow(uint32_t y, uint32_t width, uint8_t* out)
{
    for (uint32_t x = 0; x < width; ++x) {
        uint8_t r = 244, g = 240, b = 228;
        if (x % 250 < 3 || y % 250 < 3) r = g = b = 40;
        else if ((x / 1000 + y / 1000) % 7 == 0) { r = 200; g = 225; b = 190; }
        const uint32_t noise = (x * 2654435761u ^ y * 40503u) >> 28;  // a little grain
        out[x * 3] = uint8_t(r - noise);
        out[x * 3 + 1] = uint8_t(g - noise);
        out[x * 3 + 2] = uint8_t(b - noise);
    }
}

bool MakeTiff(const char* path, bool deflate, uint32_t size)
{
    TIFF* tif = TIFFOpen(path, size > 20000 ? "w8" : "w");
    if (!tif) return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, size);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, size);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, deflate ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_NONE);
    if (deflate) TIFFSetField(tif, TIFFTAG_PREDICTOR, 1);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, kRowsPerStrip);
    std::vector<uint8_t> row(size_t(size) * 3);
    bool ok = true;
    for (uint32_t y = 0; y < size && ok; ++y) {
        FillRow(y, size, row.data());
        ok = TIFFWriteScanline(tif, row.data(), y, 0) >= 0;
    }
    TIFFClose(tif);
    return ok;
}

// What the image needs from a view: the mapping.
class BenchView : public GView {
public:
    ViewTransform GetViewTransform() const override { return vt; }
    Canvas* GetWindowCanvas() override { return nullptr; }
    ViewTransform vt;
};

long ResidentKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
    }
    return 0;
}

struct Loaded {
    QTemporaryDir tmp;
    GImg img;
    bool ok = false;
};

Loaded& Picture()
{
    static Loaded* loaded = [] {
        auto* l = new Loaded;
        SetTempMapFolder(l->tmp.path());
        QByteArray path = qgetenv("KORVEL_BENCH_TIFF");
        if (path.isEmpty()) {
            path = "/tmp/korvel_bench_20000.tif";
            if (!QFile::exists(QString::fromLocal8Bit(path))) MakeTiff(path.constData(), false, kSize);
        }
        l->ok = l->img.Load(QString::fromLocal8Bit(path)) == 1;
        return l;
    }();
    return *loaded;
}

void Repaint(benchmark::State& state, bool fitAll)
{
    Loaded& pic = Picture();
    if (!pic.ok) {
        state.SkipWithError("the test picture could not be loaded");
        return;
    }
    const WorldRect& b = pic.img.m_rcBounds;
    BenchView view;
    if (fitAll) {
        view.vt.scale = std::max((b.maxX - b.minX) / kScreenW, (b.maxY - b.minY) / kScreenH);
        view.vt.x0 = (b.minX + b.maxX) / 2 - kScreenW / 2.0 * view.vt.scale;
        view.vt.y0 = (b.minY + b.maxY) / 2 + kScreenH / 2.0 * view.vt.scale;
    } else {
        // One image pixel per screen pixel in the middle of the picture, moved a little on each
        // paint as when panning.
        view.vt.scale = (b.maxX - b.minX) / pic.img.m_nWidth;
        view.vt.x0 = (b.minX + b.maxX) / 2;
        view.vt.y0 = (b.minY + b.maxY) / 2;
    }
    view.vt.printScale = view.vt.scale;
    QImage screen(kScreenW, kScreenH, QImage::Format_RGB32);
    screen.fill(Qt::white);
    const PixelRect clip{0, 0, kScreenW, kScreenH};
    // A first paint brings the pages in, as the first paint after a load does.
    {
        QPainter painter(&screen);
        QPainterCanvas canvas(&painter, false);
        pic.img.Draw(view, &canvas, clip);
    }
    const long before = ResidentKb("VmRSS:");
    std::ofstream("/proc/self/clear_refs") << "5";  // restart the peak at the current size
    int step = 0;
    for (auto _ : state) {
        if (!fitAll) view.vt.x0 += ((++step % 16) - 8) * view.vt.scale * 37;
        QPainter painter(&screen);
        QPainterCanvas canvas(&painter, false);
        pic.img.Draw(view, &canvas, clip);
        painter.end();
        benchmark::DoNotOptimize(screen.constBits());
    }
    state.counters["rss_growth_MB"] = double(ResidentKb("VmHWM:") - before) / 1024.0;
}

void BM_RepaintFitAll(benchmark::State& state) { Repaint(state, true); }
void BM_RepaintOneToOne(benchmark::State& state) { Repaint(state, false); }
BENCHMARK(BM_RepaintFitAll)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RepaintOneToOne)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace korvel

int main(int argc, char** argv)
{
    using namespace korvel;
    if (argc >= 4 && std::strcmp(argv[1], "--make-tiff") == 0) {
        const uint32_t size = argc >= 5 ? uint32_t(std::strtoul(argv[4], nullptr, 10)) : kSize;
        return MakeTiff(argv[2], std::strcmp(argv[3], "deflate") == 0, size) ? 0 : 1;
    }
    if (argc >= 3 && std::strcmp(argv[1], "--load") == 0) {
        // The bitmap copy goes to the temporary map folder of $XDG_DATA_HOME, like the program's.
        QElapsedTimer clock;
        clock.start();
        GImg img;
        const int ok = img.Load(QString::fromLocal8Bit(argv[2]));
        const double seconds = clock.nsecsElapsed() / 1e9;
        if (!ok) {
            std::fprintf(stderr, "bench_image: %s could not be loaded\n", argv[2]);
            return 1;
        }
        std::printf("width %d height %d copy %lld bytes levels %zu seconds %.3f\n", img.m_nWidth, img.m_nHeight,
                    static_cast<long long>(QFile(img.m_strTempFile).size()), img.BitmapCopy()->m_levels.size(), seconds);
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
