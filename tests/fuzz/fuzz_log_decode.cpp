// The index scan and the record decoder on arbitrary bytes: the input is taken as both a
// "temp.hdr" and a "temp.log", and its first bytes also as a run of any bounds, so that runs
// past the end of a short log and negative or reversed bounds are driven too.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "device/log_layout.h"
#include "device/track_log.h"

using namespace vandrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A short input is padded with erased entries so that the scan sees a whole index.
    std::vector<uint8_t> index(data, data + size);
    if (index.size() < log_layout::kHeaderFileSize) {
        index.resize(log_layout::kHeaderFileSize, 0xFF);
    }
    const std::vector<LogRun> runs = parseLogIndex(index.data(), index.size());
    for (const LogRun& run : runs) {
        if (run.first < 0 || run.last < run.first ||
            run.last >= static_cast<int32_t>(log_layout::kChunkSize * log_layout::kEntryCount)) {
            __builtin_trap();  // the scan only ever yields runs inside the log
        }
        TrackHeader header;
        parseLogRun(data, size, run, header);
        if (header.points.size() > static_cast<size_t>(run.last - run.first + 1) / 26) {
            __builtin_trap();
        }
    }
    if (size >= 8) {
        LogRun run;
        std::memcpy(&run.first, data, 4);
        std::memcpy(&run.last, data + 4, 4);
        TrackHeader header;
        parseLogRun(data, size, run, header);
        if (header.points.size() > size / log_layout::kRecordSize) {
            __builtin_trap();
        }
    }
    return 0;
}
