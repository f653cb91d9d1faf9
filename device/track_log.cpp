// The logger's track log: copied from the volume into "temp.hdr" and "temp.log", split into
// runs of chunks by the index, decoded record by record.

#include "device/track_log.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/atomic_file.h"
#include "core/file_reading.h"
#include "core/ground_distance.h"
#include "core/ole_date.h"
#include "core/program_path.h"
#include "core/track_times.h"
#include "device/byte_order.h"
#include "device/device_volume.h"
#include "device/log_layout.h"

namespace vandrel {
namespace fs = std::filesystem;
namespace layout = log_layout;

namespace {

// The index file holds the index area and no more; a larger file is read as far as that.
bool readIndexFile(const fs::path& path, std::vector<uint8_t>& bytes) {
    FileRead read = readRegularFile(path, layout::kHeaderFileSize);
    bytes = std::move(read.bytes);
    return read.ok;
}

// One area of the volume: the tail of its first block from firstByte, then whole blocks.
struct LogArea {
    const char* what;
    uint32_t firstBlock;
    uint32_t firstByte;
    uint32_t fullBlocks;
};

constexpr LogArea kIndexArea{"log index", layout::kIndexFirstBlock, layout::kIndexFirstByte,
                             layout::kIndexFullBlocks};
constexpr LogArea kDataArea{"log data", layout::kDataFirstBlock, layout::kDataFirstByte,
                            layout::kDataFullBlocks};

// Writes one area of the open volume into a new file; the message names what failed. A link
// planted under the file's name is replaced, never written through.
bool copyArea(VolumeHandle& handle, const LogArea& area, const fs::path& file,
              std::string& message) {
    std::FILE* out = createFreshFile(file);
    if (out == nullptr) {
        message = "cannot create " + file.string() + ": " + std::strerror(errno);
        return false;
    }
    std::array<uint8_t, kBlockSize> block{};
    bool ok = true;
    for (uint32_t n = 0; ok && n <= area.fullBlocks; ++n) {
        if (!handle.readBlock(block.data())) {
            message = "reading block " + std::to_string(area.firstBlock + n) + " of the " +
                      area.what + " failed: " + handle.error();
            ok = false;
            break;
        }
        const size_t skip = n == 0 ? area.firstByte : 0;
        if (std::fwrite(block.data() + skip, 1, kBlockSize - skip, out) != kBlockSize - skip) {
            message = "writing " + file.string() + " failed: " + std::strerror(errno);
            ok = false;
        }
    }
    if (std::fclose(out) != 0 && ok) {
        message = "writing " + file.string() + " failed: " + std::strerror(errno);
        ok = false;
    }
    return ok;
}

bool copyAreaFromVolume(DeviceVolume& volume, const LogArea& area, const fs::path& file,
                        std::string& message) {
    VolumeHandle handle = volume.OpenAt(area.firstBlock * uint32_t{kBlockSize});
    if (!handle.valid()) {
        message =
            std::string("cannot open the logger for the ") + area.what + ": " + volume.lastError();
        return false;
    }
    const bool ok = copyArea(handle, area, file, message);
    volume.Release(handle);
    return ok;
}

TrackPoint pointOf(const LogRecord& record) {
    TrackPoint point;
    point.sdate = oleDateFromUnixSeconds(record.time) + record.offset / 1440.0;
    point.lat = static_cast<float>(record.latitude / 1000000.0);
    point.lng = static_cast<float>(record.longitude / 1000000.0);
    point.alt = static_cast<float>(record.altitude * 0.3048);
    point.bar = static_cast<float>(record.pressure);
    point.tmp = record.temperature;
    return point;
}

// A latitude beyond the poles or a longitude beyond the date line is no place on earth: what
// lies in the log there is not a fix (an unwritten or damaged record). The test is on the
// logged integers: a float would round 90.000001 down to 90.
bool onEarth(const LogRecord& record) {
    return std::llabs(int64_t{record.latitude}) <= 90000000 &&
           std::llabs(int64_t{record.longitude}) <= 180000000;
}

// A fix 100 m or more from the last kept one that would need 100 m/s or more to get there is
// a position jump of the receiver, not a move.
//
// Nearly every fix lies a few metres from the last one, and the trigonometry took most of the
// decoding time. Such a fix is kept at once when its plain coordinate distance is below 99 m:
// degrees times the metres of a degree (the radius and degree of GroundDistance), which the
// great-circle distance GroundDistance computes never exceeds by more than a few parts in
// 10^11 at that size (|sin x| <= |x|, cos <= 1, asin y <= y / sqrt(1 - y^2)). The full test
// would keep it too: it always keeps fixes nearer than 100 m.
bool plausibleAfter(const TrackPoint& last, const TrackPoint& next) {
    constexpr double kMetresPerDegree = 6372797.560856 * 0.017453293;
    constexpr double kSurelyNear = 99.0 / kMetresPerDegree;
    const double dLat = static_cast<double>(next.lat) - static_cast<double>(last.lat);
    const double dLng = static_cast<double>(next.lng) - static_cast<double>(last.lng);
    if (dLat * dLat + dLng * dLng < kSurelyNear * kSurelyNear) {
        return true;
    }
    const double d = GroundDistance(next.lat, next.lng, last.lat, last.lng);
    const double dt = (next.sdate - last.sdate) * 86400;
    return d < std::max(100.0, 100 * dt);
}

}  // namespace

LogIndexEntry LogIndexEntry::parse(const uint8_t* bytes) {
    LogIndexEntry entry;
    entry.key = byte_order::getS32(bytes + 0);
    entry.word1 = byte_order::getU16(bytes + 4);
    entry.word2 = byte_order::getU16(bytes + 6);
    entry.sequence = byte_order::getS32(bytes + 8);
    return entry;
}

LogRecord LogRecord::parse(const uint8_t* bytes) {
    LogRecord record;
    record.latitude = byte_order::getS32(bytes + 0);
    record.longitude = byte_order::getS32(bytes + 4);
    record.time = byte_order::getU32(bytes + 8);
    record.offset = byte_order::getS16(bytes + 12);
    record.altitude = byte_order::getS16(bytes + 14);
    record.pressure = byte_order::getS32(bytes + 16);
    record.temperature = byte_order::getF32(bytes + 20);
    record.status1 = bytes[24];
    record.status2 = bytes[25];
    return record;
}

bool HasLogRecords(DeviceVolume& volume) {
    std::array<uint8_t, kBlockSize> block{};
    VolumeHandle handle = volume.OpenAt(layout::kPresentBlock * uint32_t{kBlockSize});
    if (!handle.valid()) {
        return false;
    }
    const bool read = handle.readBlock(block.data());
    volume.Release(handle);
    return read && byte_order::getU32(block.data() + layout::kPresentOffset) != 0;
}

// Both files are written under a ".part" name and renamed only when both are complete, so a
// copy cut short (the logger unplugged, a full disk) never leaves files that a later scan
// would take for a download.
CopyResult CopyLogAreas(DeviceVolume& volume, const DataFolder& folder) {
    const fs::path header = folder.file("temp.hdr");
    const fs::path log = folder.file("temp.log");
    const fs::path headerPart = folder.file("temp.hdr.part");
    const fs::path logPart = folder.file("temp.log.part");
    std::error_code ec;
    fs::remove(header, ec);
    fs::remove(log, ec);

    CopyResult result;
    result.ok = copyAreaFromVolume(volume, kIndexArea, headerPart, result.message) &&
                copyAreaFromVolume(volume, kDataArea, logPart, result.message);
    if (result.ok) {
        fs::rename(headerPart, header, ec);
        if (!ec) {
            fs::rename(logPart, log, ec);
        }
        if (ec) {
            result.ok = false;
            result.message = "cannot move the copied log into place: " + ec.message();
            fs::remove(header, ec);
        }
    }
    if (!result.ok) {
        fs::remove(headerPart, ec);
        fs::remove(logPart, ec);
    }
    return result;
}

// The index lists one entry per chunk; consecutive chunks of one track share the key and
// count their sequence numbers up by one. A run ends where either breaks. The scan stops at
// the first erased entry, after closing the run before it; a log whose 998 entries all belong
// to tracks has no such entry, so its last run is closed at the end of the index.
std::vector<LogRun> parseLogIndex(const uint8_t* index, size_t size) {
    std::vector<LogRun> runs;
    if (index == nullptr || size < layout::kEntryCount * layout::kEntrySize) {
        return runs;
    }
    const LogIndexEntry first = LogIndexEntry::parse(index);
    int32_t previousKey = first.key;
    int32_t previousSequence = first.sequence;
    int32_t runStart = 0;
    for (int i = 1; i < layout::kEntryCount; ++i) {
        const int32_t position = static_cast<int32_t>(layout::kChunkSize) * i;
        const LogIndexEntry entry = LogIndexEntry::parse(index + layout::kEntrySize * i);
        // The logger's counter wraps like any 32-bit count.
        const auto expected = static_cast<int32_t>(static_cast<uint32_t>(previousSequence) + 1u);
        if (entry.key != previousKey || entry.sequence != expected) {
            runs.push_back({previousKey, runStart, position - 1});
            runStart = position;
            previousKey = entry.key;
        }
        previousSequence = entry.sequence;
        if (entry.key == -1 || entry.sequence == -1) {
            return runs;
        }
    }
    const auto end = static_cast<int32_t>(layout::kChunkSize * layout::kEntryCount);
    runs.push_back({previousKey, runStart, end - 1});
    return runs;
}

std::vector<LogRun> readLogIndex(const DataFolder& folder) {
    std::vector<uint8_t> index;
    if (!readIndexFile(folder.file("temp.hdr"), index)) {
        return {};
    }
    return parseLogIndex(index.data(), index.size());
}

namespace {

bool readCopy(const fs::path& path, size_t size, std::vector<uint8_t>& bytes, std::string& error) {
    FileRead read = readRegularFile(path, size);
    if (read.missing) {
        error = "the log copy " + path.string() + " is missing";
        return false;
    }
    if (!read.ok) {
        error = read.error;
        return false;
    }
    bytes = std::move(read.bytes);
    if (bytes.size() < size) {
        error = "the log copy " + path.string() + " is cut short (" + std::to_string(bytes.size()) +
                " of " + std::to_string(size) + " bytes)";
        return false;
    }
    return true;
}

}  // namespace

bool readLogCopy(const DataFolder& folder, std::vector<TrackHeader>& tracks, std::string& error) {
    std::vector<uint8_t> index;
    std::vector<uint8_t> log;
    if (!readCopy(folder.file("temp.hdr"), layout::kHeaderFileSize, index, error) ||
        !readCopy(folder.file("temp.log"), layout::kLogFileSize, log, error)) {
        return false;
    }
    for (const LogRun& run : parseLogIndex(index.data(), index.size())) {
        parseLogRun(log.data(), log.size(), run, tracks.emplace_back());
    }
    return true;
}

void parseLogRun(const uint8_t* log, size_t size, const LogRun& run, TrackHeader& header) {
    header.trail = run.key;
    if (log == nullptr || run.first < 0 || run.last < run.first) {
        return;
    }
    const int64_t count = (int64_t{run.last} - run.first + 1) / int64_t{layout::kRecordSize};
    // Room for every fix the run can hold, at once: grown fix by fix, a full log's points were
    // copied into new memory a dozen times.
    if (uint64_t(run.first) < size) {
        const uint64_t held = (size - uint64_t(run.first)) / layout::kRecordSize;
        header.points.reserve(header.points.size() +
                              static_cast<size_t>(std::min(uint64_t(count), held)));
    }
    for (int64_t n = 0; n < count; ++n) {
        const uint64_t offset = uint64_t(run.first) + uint64_t(n) * layout::kRecordSize;
        if (offset + layout::kRecordSize > size) {
            return;
        }
        const LogRecord record = LogRecord::parse(log + offset);
        if (record.erased()) {
            return;
        }
        const TrackPoint point = pointOf(record);
        // A dropped fix is not compared with later ones: they are measured from the last kept.
        // A clock without a fix yet may read 1970.
        if (onEarth(record) && isTrackTime(point.sdate, -int32_t{record.offset}) &&
            (header.points.empty() || plausibleAfter(header.points.back(), point))) {
            header.points.push_back(point);
        }
    }
}

void readLogRun(const DataFolder& folder, const LogRun& run, TrackHeader& header) {
    header.trail = run.key;
    if (run.first < 0 || run.last < run.first) {
        return;
    }
    // Only the run's own bytes are read; a file shorter than the run gives what it holds.
    std::string error;
    const FileHandle in = openRegularFile(folder.file("temp.log"), error);
    if (in == nullptr || std::fseek(in.get(), run.first, SEEK_SET) != 0) {
        return;
    }
    const int64_t length =
        std::min<int64_t>(int64_t{run.last} - run.first + 1, int64_t{layout::kLogFileSize});
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in.get()));
    parseLogRun(bytes.data(), bytes.size(), LogRun{run.key, 0, run.last - run.first}, header);
}

}  // namespace vandrel
