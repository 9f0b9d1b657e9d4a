// Parser throughput in sentences per second on a mixed GGA/RMC/GSV/GSA log (one fix per
// second as a typical receiver sends it), through the line assembly as a port feeds it, and
// per sentence kind through ParseSentence alone.
#include "gps/nmeaparser.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Line(const std::string& body)
{
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

// 600 fixes of RMC, GGA, GSA and three GSV messages: 3600 sentences.
std::vector<std::string> MixedLog()
{
    std::vector<std::string> lines;
    char buf[160];
    for (int i = 0; i < 600; ++i) {
        const int h = 8 + i / 3600, m = (i / 60) % 60, s = i % 60;
        std::snprintf(buf, sizeof buf, "GPRMC,%02d%02d%02d.00,A,5000.%04d,N,00900.%04d,E,2.6,85.9,150626,,,A", h, m, s,
                      i % 10000, (i * 7) % 10000);
        lines.push_back(Line(buf));
        std::snprintf(buf, sizeof buf, "GPGGA,%02d%02d%02d.00,5000.%04d,N,00900.%04d,E,1,09,1.0,152.1,M,47.9,M,,", h, m,
                      s, i % 10000, (i * 7) % 10000);
        lines.push_back(Line(buf));
        lines.push_back(Line("GPGSA,A,3,02,05,12,15,18,24,25,31,32,,,,1.6,1.0,1.4"));
        lines.push_back(Line("GPGSV,3,1,10,02,49,120,39,05,58,200,43,12,28,300,32,15,15,050,30"));
        lines.push_back(Line("GPGSV,3,2,10,18,72,010,47,24,16,260,30,25,37,150,37,29,05,330,"));
        lines.push_back(Line("GPGSV,3,3,10,31,50,080,40,32,17,225,30"));
    }
    return lines;
}

void BM_LineAssemblyMixedLog(benchmark::State& state)
{
    std::string log;
    const std::vector<std::string> lines = MixedLog();
    for (const std::string& l : lines) log += l;
    const std::size_t readSize = static_cast<std::size_t>(state.range(0));
    std::int64_t sentences = 0;
    for (auto _ : state) {
        korvel::NmeaParser parser([] { return std::int64_t{1796731200}; });
        std::size_t pos = 0;
        while (pos < log.size() || parser.HasCompleteLine()) {
            const std::size_t n = std::min({parser.BeginRead(), readSize, log.size() - pos});
            std::memcpy(parser.ReadPointer(), log.data() + pos, n);
            pos += n;
            sentences += parser.EndRead(n).kind != korvel::NmeaSentence::None;
        }
        benchmark::DoNotOptimize(parser.fix());
    }
    state.SetItemsProcessed(sentences);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.size()));
}
BENCHMARK(BM_LineAssemblyMixedLog)->Arg(64)->Arg(512);

void BM_ParseSentence(benchmark::State& state)
{
    const std::vector<std::string> all = MixedLog();
    // 0 RMC, 1 GGA, 2 GSA, 3 GSV
    const std::size_t index = static_cast<std::size_t>(state.range(0));
    std::string line = all[index];
    line.resize(line.size() - 2);  // without CR LF, as the line assembly hands it over
    korvel::NmeaParser parser([] { return std::int64_t{1796731200}; });
    for (auto _ : state) benchmark::DoNotOptimize(parser.ParseSentence(line));
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(line.substr(0, 6));
}
BENCHMARK(BM_ParseSentence)->DenseRange(0, 3);

}  // namespace

BENCHMARK_MAIN();
