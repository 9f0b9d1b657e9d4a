// Documents of a million measured points: one-by-one insertion with AddObject, saving and
// loading, the time to merely read the file's bytes for comparison, and the memory a point
// costs. Run (Release build):
//   build/rel/bench/bench_kvd --benchmark_counters_tabular=true
// Each benchmark runs once on purpose: the figures are for one real document, and the
// memory counters only make sense for a single build.
#include "model/gpoint.h"
#include "model/korveldoc.h"
#include "model/objpool.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <string>

namespace {

using korvel::CKorvelDoc;
using korvel::GPoint;
using korvel::KvdStatus;
using korvel::WorldPoint;

constexpr int kPoints = 1000000;

// A value of /proc/self/status in bytes (the lines are in kB).
double StatusBytes(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) == 0) return std::atof(line.c_str() + prefix.size()) * 1024.0;
    }
    return 0;
}

// Starts a new peak: VmHWM falls back to the current resident size (Linux 4.0 and later).
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Bytes handed out by malloc right now (small blocks and mmapped ones), plus the object pool's
// slabs in use (map objects, attribute tables and list nodes live there).
double HeapBytes()
{
    const struct mallinfo2 mi = mallinfo2();
    return static_cast<double>(mi.uordblks + mi.hblkhd + korvel::objpool::GetStats().slabBytes);
}

struct Shared {
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("million.kvd")); }
    std::unique_ptr<CKorvelDoc> doc;
};

Shared& State()
{
    static Shared s;
    return s;
}

// Gauss-Krüger zone 3 positions on a 1000 x 1000 grid with mm parts, numbered like a survey.
void AddPoints(CKorvelDoc& doc)
{
    for (int i = 0; i < kPoints; ++i) {
        auto* p = new GPoint(WorldPoint{3500000.0 + (i % 1000) * 1.237, 5400000.0 + (i / 1000) * 1.571});
        p->SetInfo(QStringLiteral("PTNR"), QString::number(100000 + i));
        if (!doc.AddObject(p)) {
            delete p;
            std::abort();
        }
    }
}

void BM_AddObjectOneByOne(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        State().doc.reset();
        malloc_trim(0);
        const double heapBefore = HeapBytes();
        ResetPeak();
        const double hwmBefore = StatusBytes("VmRSS");
        auto doc = std::make_unique<CKorvelDoc>();
        doc->OnNewDocument(31467);
        state.ResumeTiming();
        AddPoints(*doc);
        state.PauseTiming();
        state.counters["heap_B_per_pt"] = (HeapBytes() - heapBefore) / kPoints;
        state.counters["hwm_B_per_pt"] = (StatusBytes("VmHWM") - hwmBefore) / kPoints;
        State().doc = std::move(doc);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddObjectOneByOne)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same points appended at the root's tail with their attributes computed, without the
// drawing-order search: the difference to the benchmark above is what keeping the order costs.
void BM_AppendWithoutOrdering(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<CKorvelDoc>();
        doc->OnNewDocument(31467);
        state.ResumeTiming();
        for (int i = 0; i < kPoints; ++i) {
            auto* p = new GPoint(WorldPoint{3500000.0 + (i % 1000) * 1.237, 5400000.0 + (i / 1000) * 1.571});
            p->SetInfo(QStringLiteral("PTNR"), QString::number(100000 + i));
            p->UpdateInfo(doc->m_nCoordSys);
            doc->m_pRoot->AddTail(p);
        }
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AppendWithoutOrdering)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Save(benchmark::State& state)
{
    for (auto _ : state) {
        if (State().doc->Save(State().path()) != KvdStatus::Ok) std::abort();
    }
    state.counters["file_MB"] = static_cast<double>(QFile(State().path()).size()) / 1e6;
    state.counters["file_B_per_pt"] = static_cast<double>(QFile(State().path()).size()) / kPoints;
}
BENCHMARK(BM_Save)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadBytesWithCat(benchmark::State& state)
{
    const std::string cmd = "cat '" + State().path().toStdString() + "' >/dev/null";
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) std::abort();
    }
}
BENCHMARK(BM_ReadBytesWithCat)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Load(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        State().doc.reset();
        malloc_trim(0);
        const double heapBefore = HeapBytes();
        const double anonBefore = StatusBytes("RssAnon");
        ResetPeak();
        const double hwmBefore = StatusBytes("VmRSS");
        auto doc = std::make_unique<CKorvelDoc>();
        state.ResumeTiming();
        if (doc->Open(State().path()) != KvdStatus::Ok) std::abort();
        state.PauseTiming();
        state.counters["heap_B_per_pt"] = (HeapBytes() - heapBefore) / kPoints;
        state.counters["anon_B_per_pt"] = (StatusBytes("RssAnon") - anonBefore) / kPoints;
        state.counters["hwm_B_per_pt"] = (StatusBytes("VmHWM") - hwmBefore) / kPoints;
        state.counters["file_rss_B_per_pt"] = StatusBytes("RssFile") / kPoints;
        if (doc->m_pRoot->GetCount() != static_cast<size_t>(kPoints)) std::abort();
        State().doc = std::move(doc);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Load)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
