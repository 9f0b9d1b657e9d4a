// Documents of a million measured points: one-by-one insertion with AddObject, saving and
// loading, the memory a point costs, and for comparison the floor of any load: reading the
// file's bytes plus writing as much fresh memory as the loaded objects occupy. Run (Release
// build):
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
#include <cstring>
#include <ctime>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

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
    double loadedBytes = 0;  // heap and pool bytes the last load added
    double loadSeconds = 0;     // wall-clock time of the last load
    double loadCpuSeconds = 0;  // and its CPU time (this thread, user and system)
};

double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

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
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadCpuSeconds();
        state.ResumeTiming();
        if (doc->Open(State().path()) != KvdStatus::Ok) std::abort();
        state.PauseTiming();
        State().loadCpuSeconds = ThreadCpuSeconds() - cpuStart;
        State().loadSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        State().loadedBytes = HeapBytes() - heapBefore;
        state.counters["heap_B_per_pt"] = State().loadedBytes / kPoints;
        state.counters["anon_B_per_pt"] = (StatusBytes("RssAnon") - anonBefore) / kPoints;
        state.counters["hwm_B_per_pt"] = (StatusBytes("VmHWM") - hwmBefore) / kPoints;
        state.counters["file_rss_B_per_pt"] = StatusBytes("RssFile") / kPoints;
        if (doc->m_pRoot->GetCount() != static_cast<size_t>(kPoints)) std::abort();
        State().doc = std::move(doc);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Load)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Fresh anonymous memory of `bytes`, every page written once: what the loaded objects' memory
// costs before a single object is built (page faults and zeroing by the kernel).
void* WriteFreshMemory(size_t bytes)
{
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) std::abort();
#ifdef MADV_POPULATE_WRITE
    if (madvise(p, bytes, MADV_POPULATE_WRITE) == 0) return p;
#endif
    std::memset(p, 1, bytes);  // kernels before 5.14
    return p;
}

// The floor under any load of the file: its bytes read with read() in 1 MB blocks (as cat
// reads them) plus fresh memory as large as the last load's objects written. Runs right after
// the load, so both see the same machine; "load_per_floor" is the last load's wall-clock time
// over this one's, "load_per_floor_cpu" the same for CPU time (the fairer one on a busy machine).
void BM_LoadFloor(benchmark::State& state)
{
    const std::string path = State().path().toStdString();
    const size_t bytes = static_cast<size_t>(State().loadedBytes);
    std::vector<char> block(1 << 20);
    double seconds = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadCpuSeconds();
        const int fd = open(path.c_str(), O_RDONLY);
        if (fd < 0) std::abort();
        while (read(fd, block.data(), block.size()) > 0) {
        }
        close(fd);
        void* memory = WriteFreshMemory(bytes);
        cpuSeconds = ThreadCpuSeconds() - cpuStart;
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        munmap(memory, bytes);
        state.ResumeTiming();
    }
    state.counters["memory_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["load_per_floor"] = State().loadSeconds / seconds;
    state.counters["load_per_floor_cpu"] = State().loadCpuSeconds / cpuSeconds;
}
BENCHMARK(BM_LoadFloor)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
