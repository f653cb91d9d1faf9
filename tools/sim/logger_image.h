#pragma once
// A logger volume image as the simulator writes it, held in memory:
//
//   block 10         handshake challenge (random first word)
//   block 11         handshake response, written by the program (zero in a new image)
//   block 512        settings block with plausible values
//   block 513        POI block, erased (all 0xFF)
//   blocks 514-517   log index and log-present word
//   blocks 626-943   log data
//
// Everything else is zero. The layout constants are the device code's; the encoding here is
// written independently of the decoder so that each checks the other.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vandrel::sim {

constexpr size_t kMinBlocks = 1024;

// One fix as the logger stores it.
struct SimFix {
    int32_t latitude = 0;   // millionths of a degree
    int32_t longitude = 0;  // millionths of a degree
    uint32_t time = 0;      // seconds since 1970-01-01 UTC
    int16_t offset = 0;     // minutes added to UTC for local time
    int16_t altitudeFeet = 0;
    int32_t pressure = 1013;
    float temperature = 20.0f;
};

struct SimTrack {
    std::vector<SimFix> fixes;
};

class LoggerImage {
public:
    // A fresh volume: zero everywhere, a random challenge in block 10 (from seed), plausible
    // settings in block 512, an erased POI block, an empty log (index all 0xFF) and a
    // log-present word of 0.
    explicit LoggerImage(size_t blocks = kMinBlocks, uint32_t seed = 1);

    std::vector<uint8_t>& bytes() { return bytes_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    uint8_t* block(uint32_t n) { return bytes_.data() + size_t{n} * 4096; }
    const uint8_t* block(uint32_t n) const { return bytes_.data() + size_t{n} * 4096; }
    size_t blockCount() const { return bytes_.size() / 4096; }

    // Writes the tracks into the log from chunk 0, one track per key (firstKey, firstKey + 1,
    // ...) with sequence numbers counting on from firstSequence across the whole log; the
    // unused records of a track's last chunk and the unused index entries stay erased. Sets
    // the log-present word to 1 when anything was written. What does not fit in the 998
    // chunks is cut; the returned warnings say what.
    std::vector<std::string> writeLog(const std::vector<SimTrack>& tracks, int32_t firstKey = 1,
                                      int32_t firstSequence = 0);
    // Raw access to the log for tests that need unusual layouts.
    void setIndexEntry(int chunk, int32_t key, int32_t sequence);
    void setRecord(int chunk, int record, const SimFix& fix);
    void eraseRecord(int chunk, int record);
    void setLogPresent(uint32_t value);
    uint32_t logPresent() const;

    bool save(const std::filesystem::path& path, std::string& error) const;
    static std::optional<LoggerImage> load(const std::filesystem::path& path, std::string& error);

private:
    LoggerImage() = default;
    std::vector<uint8_t> bytes_;
};

// Every trk of a GPX 1.0 or 1.1 file as one track (all its segments, in order): positions,
// ele in metres stored as feet, time as UTC seconds, tzOffset as each fix's minute offset.
// Points without a time or position are left out. Empty with error set when the file cannot be
// read.
std::vector<SimTrack> readGpxTracks(const std::filesystem::path& path, int16_t tzOffset,
                                    std::string& error);

// count tracks of `points` plausible fixes each (a walk with smooth altitude, pressure and
// temperature), one a day from startUnix, `interval` seconds apart.
std::vector<SimTrack> generateTracks(int count, int points, int64_t startUnix, int interval,
                                     int16_t tzOffset, uint32_t seed = 7);
// The points per track that make `count` tracks fill all 998 chunks exactly (spread so that
// the chunk counts add up to 998); element i is the point count of track i.
std::vector<int> pointsToFillLog(int count);

// The readable description of an image that `vandrel-sim inspect` prints: the handshake line,
// the settings block fields, the 20 POI entries, the log-present word and the runs of the index.
std::string inspectImage(const LoggerImage& image);

}  // namespace vandrel::sim
