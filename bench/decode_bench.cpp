// The decoding side of a download of a full log: the index scan and the decoding of every run,
// plausibility filter included, over the bytes of "temp.hdr" and "temp.log" in memory.
#include <benchmark/benchmark.h>

#include <vector>

#include "device/log_layout.h"
#include "device/track_log.h"
#include "tools/sim/logger_image.h"

namespace {

namespace layout = vandrel::log_layout;

// A log whose 998 chunks are all full: 20 tracks of plausible fixes, 49,900 in all.
struct FullLog {
    std::vector<uint8_t> index;
    std::vector<uint8_t> log;
    size_t fixes = 0;

    FullLog() {
        std::vector<int> points;
        for (int i = 0; i < 20; ++i) {
            const int chunks = layout::kEntryCount / 20 + (i < layout::kEntryCount % 20 ? 1 : 0);
            points.push_back(chunks * layout::kRecordsPerChunk);
            fixes += static_cast<size_t>(points.back());
        }
        vandrel::sim::LoggerImage image(vandrel::sim::kMinBlocks);
        image.writeLog(vandrel::sim::generateTracks(points, 1700000000, 3, 60));
        const auto& bytes = image.bytes();
        index.assign(bytes.begin() + layout::kIndexVolumeOffset,
                     bytes.begin() + layout::kIndexVolumeOffset + layout::kHeaderFileSize);
        log.assign(bytes.begin() + layout::kDataVolumeOffset,
                   bytes.begin() + layout::kDataVolumeOffset + layout::kLogFileSize);
    }
};

size_t decodeAll(const FullLog& full) {
    size_t points = 0;
    for (const vandrel::LogRun& run :
         vandrel::parseLogIndex(full.index.data(), full.index.size())) {
        vandrel::TrackHeader header;
        vandrel::parseLogRun(full.log.data(), full.log.size(), run, header);
        points += header.points.size();
        benchmark::DoNotOptimize(header.points.data());
    }
    return points;
}

void BM_DecodeFullLog(benchmark::State& state) {
    const FullLog full;
    if (decodeAll(full) != full.fixes) {
        state.SkipWithError("the full log does not decode to every fix");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(decodeAll(full));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(full.fixes));
    state.counters["fixes"] = static_cast<double>(full.fixes);
}
BENCHMARK(BM_DecodeFullLog)->Unit(benchmark::kMillisecond);

}  // namespace
