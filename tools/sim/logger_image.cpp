#include "tools/sim/logger_image.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "core/file_reading.h"
#include "device/log_layout.h"
#include "tools/sim/sim_bytes.h"
#include "tools/sim/sim_random.h"

namespace vandrel::sim {

namespace layout = vandrel::log_layout;

namespace {

constexpr size_t kBlockSize = 4096;

// Byte offsets of the settings fields within block 512.
constexpr size_t kTimeZoneAt = 66;
constexpr size_t kTemperatureAt = 68;
constexpr size_t kTimeFormatAt = 69;
constexpr size_t kLengthAt = 70;
constexpr size_t kLength2At = 71;
constexpr size_t kByte72At = 72;
constexpr size_t kPowerOffAt = 73;
constexpr size_t kBacklightAt = 74;
constexpr size_t kRefbarAt = 75;
constexpr size_t kLogIntervalAt = 79;
constexpr size_t kTnttbarAt = 81;

// Offsets within a 26-byte log record.
constexpr size_t kLatitudeAt = 0;
constexpr size_t kLongitudeAt = 4;
constexpr size_t kTimeAt = 8;
constexpr size_t kOffsetAt = 12;
constexpr size_t kAltitudeAt = 14;
constexpr size_t kPressureAt = 16;
constexpr size_t kTemperatureRecordAt = 20;
constexpr size_t kStatusAt = 24;

bool validChunk(int chunk) {
    return chunk >= 0 && chunk < layout::kEntryCount;
}

size_t chunksFor(size_t fixes) {
    return (fixes + layout::kRecordsPerChunk - 1) / layout::kRecordsPerChunk;
}

}  // namespace

LoggerImage::LoggerImage(size_t blocks, uint32_t seed)
    : bytes_(std::max(blocks, kMinBlocks) * kBlockSize, 0) {
    // The whole challenge block is random so that a response copied from elsewhere, or a
    // response block left zero, is told apart from the right one.
    SimRandom random(seed);
    uint8_t* challenge = block(kChallengeBlock);
    for (size_t i = 0; i < kBlockSize; i += 4) {
        le::putU32(challenge + i, random.word());
    }
    writeSettings(SimSettings{});
    std::fill_n(block(kPoiBlock), kBlockSize, uint8_t{0xFF});
    // The log areas as the logger leaves them after an erase: every entry and record all ones.
    std::fill_n(bytes_.data() + layout::kIndexVolumeOffset, layout::kHeaderFileSize, uint8_t{0xFF});
    std::fill_n(bytes_.data() + layout::kDataVolumeOffset, layout::kLogFileSize, uint8_t{0xFF});
    setLogPresent(0);
}

void LoggerImage::writeSettings(const SimSettings& s) {
    uint8_t* b = block(kSettingsBlock);
    le::putS16(b + kTimeZoneAt, s.timeZoneEast);
    b[kTemperatureAt] = s.temperature;
    b[kTimeFormatAt] = s.timeFormat;
    b[kLengthAt] = s.length;
    b[kLength2At] = s.length2;
    b[kByte72At] = s.byte72;
    b[kPowerOffAt] = s.powerOff;
    b[kBacklightAt] = s.backlight;
    le::putF32(b + kRefbarAt, s.refbar);
    le::putS16(b + kLogIntervalAt, s.logInterval);
    b[kTnttbarAt] = s.tnttbar;
}

SimSettings LoggerImage::readSettings() const {
    const uint8_t* b = block(kSettingsBlock);
    SimSettings s;
    s.timeZoneEast = le::getS16(b + kTimeZoneAt);
    s.temperature = b[kTemperatureAt];
    s.timeFormat = b[kTimeFormatAt];
    s.length = b[kLengthAt];
    s.length2 = b[kLength2At];
    s.byte72 = b[kByte72At];
    s.powerOff = b[kPowerOffAt];
    s.backlight = b[kBacklightAt];
    s.refbar = le::getF32(b + kRefbarAt);
    s.logInterval = le::getS16(b + kLogIntervalAt);
    s.tnttbar = b[kTnttbarAt];
    return s;
}

// Index entry: key (s32), two 16-bit words the program ignores (written as 0), sequence (s32).
void LoggerImage::setIndexEntry(int chunk, int32_t key, int32_t sequence) {
    if (!validChunk(chunk)) {
        return;
    }
    uint8_t* e = bytes_.data() + layout::kIndexVolumeOffset + layout::kEntrySize * chunk;
    le::putS32(e, key);
    le::putU16(e + 4, 0);
    le::putU16(e + 6, 0);
    le::putS32(e + 8, sequence);
}

// Record: latitude, longitude (s32 millionths), time (u32 UTC seconds), minute offset (s16),
// altitude in feet (s16), pressure (s32), temperature (f32) and two status bytes; a status byte
// of 0xFF marks an erased record, so a written one carries 0 in both.
void LoggerImage::setRecord(int chunk, int record, const SimFix& fix) {
    if (!validChunk(chunk) || record < 0 || record >= layout::kRecordsPerChunk) {
        return;
    }
    uint8_t* r = bytes_.data() + layout::kDataVolumeOffset + layout::kChunkSize * chunk +
                 layout::kRecordSize * record;
    le::putS32(r + kLatitudeAt, fix.latitude);
    le::putS32(r + kLongitudeAt, fix.longitude);
    le::putU32(r + kTimeAt, fix.time);
    le::putS16(r + kOffsetAt, fix.offset);
    le::putS16(r + kAltitudeAt, fix.altitudeFeet);
    le::putS32(r + kPressureAt, fix.pressure);
    le::putF32(r + kTemperatureRecordAt, fix.temperature);
    r[kStatusAt] = 0;
    r[kStatusAt + 1] = 0;
}

void LoggerImage::eraseRecord(int chunk, int record) {
    if (!validChunk(chunk) || record < 0 || record >= layout::kRecordsPerChunk) {
        return;
    }
    uint8_t* r = bytes_.data() + layout::kDataVolumeOffset + layout::kChunkSize * chunk +
                 layout::kRecordSize * record;
    std::fill_n(r, layout::kRecordSize, uint8_t{0xFF});
}

void LoggerImage::setLogPresent(uint32_t value) {
    le::putU32(block(layout::kPresentBlock) + layout::kPresentOffset, value);
}

uint32_t LoggerImage::logPresent() const {
    return le::getU32(block(layout::kPresentBlock) + layout::kPresentOffset);
}

std::vector<std::string> LoggerImage::writeLog(const std::vector<SimTrack>& tracks,
                                               int32_t firstKey, int32_t firstSequence) {
    // Start from an erased log so that nothing of an earlier one survives behind the new one.
    std::fill_n(bytes_.data() + layout::kIndexVolumeOffset,
                layout::kEntrySize * layout::kEntryCount, uint8_t{0xFF});
    std::fill_n(bytes_.data() + layout::kDataVolumeOffset, layout::kChunkSize * layout::kEntryCount,
                uint8_t{0xFF});
    std::vector<std::string> warnings;
    int chunk = 0;
    int32_t key = firstKey;
    size_t t = 0;
    for (; t < tracks.size(); ++t) {
        const std::vector<SimFix>& fixes = tracks[t].fixes;
        if (fixes.empty()) {
            warnings.push_back("track " + std::to_string(t + 1) + " has no fixes; left out");
            continue;
        }
        const size_t room = size_t(layout::kEntryCount - chunk) * layout::kRecordsPerChunk;
        if (room == 0) {
            break;
        }
        const size_t count = std::min(fixes.size(), room);
        if (count < fixes.size()) {
            warnings.push_back("the log is full: track " + std::to_string(t + 1) + " cut after " +
                               std::to_string(count) + " of " + std::to_string(fixes.size()) +
                               " fixes");
        }
        for (size_t i = 0; i < count; ++i) {
            const int c = chunk + static_cast<int>(i / layout::kRecordsPerChunk);
            const int r = static_cast<int>(i % layout::kRecordsPerChunk);
            if (r == 0) {
                setIndexEntry(c, key, firstSequence + c);
            }
            setRecord(c, r, fixes[i]);
        }
        chunk += static_cast<int>(chunksFor(count));
        ++key;
    }
    size_t droppedTracks = 0;
    size_t droppedFixes = 0;
    for (; t < tracks.size(); ++t) {
        if (!tracks[t].fixes.empty()) {
            ++droppedTracks;
            droppedFixes += tracks[t].fixes.size();
        }
    }
    if (droppedTracks > 0) {
        warnings.push_back("the log is full: " + std::to_string(droppedTracks) +
                           " later track(s) with " + std::to_string(droppedFixes) +
                           " fixes left out");
    }
    setLogPresent(chunk > 0 ? 1 : 0);
    return warnings;
}

bool LoggerImage::save(const std::filesystem::path& path, std::string& error) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        error = "cannot create " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    out.write(reinterpret_cast<const char*>(bytes_.data()),
              static_cast<std::streamsize>(bytes_.size()));
    out.close();
    if (!out) {
        error = "cannot write " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::optional<LoggerImage> LoggerImage::load(const std::filesystem::path& path,
                                             std::string& error) {
    // Images are held in memory whole; a logger volume is a few MiB.
    constexpr size_t kLargestImage = size_t{1} << 30;
    FileRead read = readRegularFile(path, kLargestImage);
    if (!read.ok) {
        error = read.error;
        return std::nullopt;
    }
    if (read.longer) {
        error = path.string() + " is too large for a logger volume image";
        return std::nullopt;
    }
    const size_t size = read.bytes.size();
    if (size % kBlockSize != 0 || size < kMinBlocks * kBlockSize) {
        error = path.string() + " is not a logger volume: " + std::to_string(size) +
                " bytes, expected a whole number of 4096-byte blocks, at least " +
                std::to_string(kMinBlocks);
        return std::nullopt;
    }
    LoggerImage image{Unfilled{}};
    image.bytes_ = std::move(read.bytes);
    return image;
}

uint32_t handshakeResponse(uint32_t challenge) {
    return (challenge ^ 0x2D4B6A19u) + 0x1F3C5E87u;
}

void answerHandshake(LoggerImage& image) {
    uint8_t* response = image.block(kResponseBlock);
    std::memcpy(response, image.block(kChallengeBlock), kBlockSize);
    le::putU32(response, handshakeResponse(le::getU32(response)));
}

HandshakeState checkHandshake(const LoggerImage& image) {
    const uint8_t* challenge = image.block(kChallengeBlock);
    const uint8_t* response = image.block(kResponseBlock);
    if (std::all_of(response, response + kBlockSize, [](uint8_t b) { return b == 0; })) {
        return HandshakeState::None;
    }
    const bool ok = le::getU32(response) == handshakeResponse(le::getU32(challenge)) &&
                    std::memcmp(response + 4, challenge + 4, kBlockSize - 4) == 0;
    return ok ? HandshakeState::Ok : HandshakeState::Wrong;
}

}  // namespace vandrel::sim
