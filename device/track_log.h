#pragma once
// The logger's track log: the presence test, the copy of its two areas into "temp.hdr" and
// "temp.log" in the program folder, the split of the index into runs of one track each, and the
// decoding of a run into track points with implausible position jumps and times no track may
// hold (core/track_times.h) dropped.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/program_path.h"
#include "core/track_records.h"
#include "device/device_volume.h"

namespace vandrel {

// One 12-byte entry of the log index; entry i describes chunk i of the log data.
struct LogIndexEntry {
    int32_t key = -1;  // track key, copied into the track's trail; -1 when erased
    uint16_t word1 = 0xFFFF;
    uint16_t word2 = 0xFFFF;
    int32_t sequence = -1;  // consecutive within a track; -1 when erased

    static LogIndexEntry parse(const uint8_t* bytes);
};

// One 26-byte logged fix.
struct LogRecord {
    int32_t latitude = 0;   // millionths of a degree
    int32_t longitude = 0;  // millionths of a degree
    uint32_t time = 0;      // seconds since 1970-01-01 00:00:00 UTC
    int16_t offset = 0;     // minutes added to UTC to give local time
    int16_t altitude = 0;   // feet
    int32_t pressure = 0;
    float temperature = 0;
    uint8_t status1 = 0xFF;
    uint8_t status2 = 0xFF;

    static LogRecord parse(const uint8_t* bytes);
    bool erased() const { return status1 == 0xFF || status2 == 0xFF; }
};

// Chunks of one track: byte range [first, last] of "temp.log".
struct LogRun {
    int32_t key = 0;
    int32_t first = 0;
    int32_t last = 0;
    bool operator==(const LogRun&) const = default;
};

// Outcome of the copy; the message names the failed transfer.
struct CopyResult {
    bool ok = false;
    std::string message;
};

// False when the log-present word is 0 or the volume cannot be read.
bool HasLogRecords(DeviceVolume& volume);
// Copies the index and data areas into "temp.hdr" and "temp.log". Every transfer is checked:
// on failure the files are not left looking like a complete copy and the result says why.
CopyResult CopyLogAreas(DeviceVolume& volume, const DataFolder& folder);
// Reads "temp.hdr" and splits it into runs. A run still open after the last entry (a full log)
// is emitted.
std::vector<LogRun> readLogIndex(const DataFolder& folder);
// Reads one run of "temp.log" and decodes it into header.points; sets header.trail.
void readLogRun(const DataFolder& folder, const LogRun& run, TrackHeader& header);

// Reads "temp.hdr" and "temp.log" whole and decodes every run into tracks, one header a run.
// A copy that is missing or shorter than its area is refused with the reason in `error`:
// decoded, it would give no tracks or cut ones, and the download would end as if complete.
bool readLogCopy(const DataFolder& folder, std::vector<TrackHeader>& tracks, std::string& error);

// The same on bytes in memory (the files above are read whole).
std::vector<LogRun> parseLogIndex(const uint8_t* index, size_t size);
void parseLogRun(const uint8_t* log, size_t size, const LogRun& run, TrackHeader& header);

}  // namespace vandrel
