// Shapefile and dBase speed: reading and writing large files in memory, so that the figures
// show the parsing and checking work rather than the disk.
#include "exchange/shapefile.h"

#include <benchmark/benchmark.h>

#include <QBuffer>

#include <cmath>

namespace {

using namespace korvel;

struct Bytes {
    QByteArray shp, shx, dbf;
};

// `count` shapes of `type` with three attribute columns; polylines and polygons get `vertices`
// points each.
Bytes MakeFile(int32_t type, int count, int vertices)
{
    CShapeFile file(type);
    CDBaseFile& t = file.GetTable();
    t.AppendField(t.CreateField("PTNR", 'C', 20, 0));
    t.AppendField(t.CreateField("RECHTS", 'N', 16, 3));
    t.AppendField(t.CreateField("HOCH", 'N', 16, 3));
    for (int i = 0; i < count; ++i) {
        const double x = 3500000 + (i % 1000) * 100.0, y = 5500000 + (i / 1000) * 100.0;
        std::unique_ptr<CShape> shape;
        if (type == SHPT_POINT) {
            shape = std::make_unique<CShapePoint>(x, y);
        } else {
            auto line = type == SHPT_POLYGON ? std::make_unique<CShapePolygon>() : std::make_unique<CShapePolyLine>();
            auto ring = std::make_unique<CRing>(uint32_t(vertices));
            for (int v = 0; v < vertices; ++v) {
                const double a = -2 * M_PI * v / vertices;  // clockwise
                ring->AddPoint(WorldPoint{x + 40 * std::cos(a), y + 40 * std::sin(a)});
            }
            line->AddRing(std::move(ring));
            shape = std::move(line);
        }
        const int r = file.AddShape(std::move(shape));
        t.SetText(0, r, QString::number(i));
        t.SetNumber(1, r, x);
        t.SetNumber(2, r, y);
    }
    Bytes b;
    QBuffer s(&b.shp), x(&b.shx), d(&b.dbf);
    s.open(QIODevice::WriteOnly);
    x.open(QIODevice::WriteOnly);
    d.open(QIODevice::WriteOnly);
    file.Write(s, x, d);
    return b;
}

void ReadFile(benchmark::State& state, int32_t type, int count, int vertices)
{
    Bytes b = MakeFile(type, count, vertices);
    for (auto _ : state) {
        QBuffer s(&b.shp), d(&b.dbf);
        s.open(QIODevice::ReadOnly);
        d.open(QIODevice::ReadOnly);
        CShapeFile file;
        if (!file.Read(s, &d)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(file.GetShapeCount());
    }
    state.SetBytesProcessed(state.iterations() * (b.shp.size() + b.dbf.size()));
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_ReadPoints(benchmark::State& state) { ReadFile(state, SHPT_POINT, 100000, 1); }
void BM_ReadPolygons(benchmark::State& state) { ReadFile(state, SHPT_POLYGON, 10000, 100); }

void BM_WritePoints(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(MakeFile(SHPT_POINT, 100000, 1).shp.size());
    state.SetItemsProcessed(state.iterations() * 100000);
}

void BM_TableValues(benchmark::State& state)
{
    Bytes b = MakeFile(SHPT_POINT, 100000, 1);
    QBuffer d(&b.dbf);
    d.open(QIODevice::ReadOnly);
    CDBaseFile table;
    table.Read(d);
    for (auto _ : state) {
        QString text;
        for (uint32_t r = 0; r < table.GetRecordCount(); ++r) {
            for (int f = 0; f < 3; ++f) table.GetValueAsText(f, int(r), text);
        }
        benchmark::DoNotOptimize(text);
    }
    state.SetItemsProcessed(state.iterations() * 300000);
}

BENCHMARK(BM_ReadPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPolygons)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableValues)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
