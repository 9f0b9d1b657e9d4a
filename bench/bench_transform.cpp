// TransformPoint per point for the conversions the program runs most: GPS fixes into UTM and
// Gauss-Krüger documents, Gauss-Krüger documents re-projected to UTM, and web-mercator
// documents shown as WGS84 degrees.
#include "crs/transform.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using korvel::CoordTransform;
using korvel::TransformPoint;
using korvel::WorldPoint;

// A fixed spread of points across Germany (47 … 55° N, 6 … 12° E) in WGS84 degrees.
std::vector<WorldPoint> GermanyGrid()
{
    std::vector<WorldPoint> pts;
    for (int i = 0; i < 64; ++i) {
        for (int j = 0; j < 16; ++j) pts.push_back(WorldPoint{6.0 + 6.0 * j / 15.0, 47.0 + 8.0 * i / 63.0});
    }
    return pts;
}

// The same points in system `id`.
std::vector<WorldPoint> GridIn(int32_t id)
{
    std::vector<WorldPoint> pts = GermanyGrid();
    for (WorldPoint& p : pts) {
        CoordTransform t{1, korvel::CRS_WGS84, id};
        TransformPoint(&p, &t);
    }
    return pts;
}

void Run(benchmark::State& state, int32_t from, int32_t to)
{
    const std::vector<WorldPoint> input = GridIn(from);
    size_t i = 0;
    for (auto _ : state) {
        WorldPoint p = input[i];
        CoordTransform t{1, from, to};
        benchmark::DoNotOptimize(TransformPoint(&p, &t));
        benchmark::DoNotOptimize(p);
        if (++i == input.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Wgs84ToUtm32(benchmark::State& s) { Run(s, korvel::CRS_WGS84, korvel::CRS_UTM32); }
void BM_Wgs84ToGk3(benchmark::State& s) { Run(s, korvel::CRS_WGS84, 31467); }
void BM_Gk3ToUtm32(benchmark::State& s) { Run(s, 31467, korvel::CRS_UTM32); }
void BM_WebMercatorToWgs84(benchmark::State& s) { Run(s, korvel::CRS_WEBMERCATOR, korvel::CRS_WGS84); }

BENCHMARK(BM_Wgs84ToUtm32);
BENCHMARK(BM_Wgs84ToGk3);
BENCHMARK(BM_Gk3ToUtm32);
BENCHMARK(BM_WebMercatorToWgs84);

}  // namespace

BENCHMARK_MAIN();
