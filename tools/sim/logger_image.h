#pragma once
// A logger volume image as the simulator writes it, held in memory:
//
//   block 10         handshake challenge (random words, the first one is the challenge)
//   block 11         handshake response, written by the program (zero in a new image)
//   block 512        settings block with plausible values
//   block 513        POI block, erased (all 0xFF) until writePois fills its first 314 bytes
//   blocks 514-517   log index from byte 546 of 514 (all 0xFF where erased) and the
//                    log-present word at byte 528 of 517
//   blocks 626-943   log data from byte 4082 of 626 (all 0xFF where erased)
//
// Everything else is zero. The layout constants are the device code's; the encoding here is
// written independently of the decoder so that each checks the other.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
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

// The fields of the settings block (block 512) at their byte offsets; the values are the
// stored ones (units and formats counted from 1, as the logger keeps them).
struct SimSettings {
    int16_t timeZoneEast = 0;  // 66: minutes east of UTC
    uint8_t temperature = 1;   // 68: 1 degrees C, 2 degrees F
    uint8_t timeFormat = 2;    // 69: 1 12-hour, 2 24-hour
    uint8_t length = 1;        // 70: 1 metric, 2 imperial
    uint8_t length2 = 1;       // 71: the same again
    uint8_t byte72 = 0;        // 72
    uint8_t powerOff = 2;      // 73: 0 never, 1 to 4: 5, 10, 30, 60 min
    uint8_t backlight = 1;     // 74: 0 never, 1 to 4: 5, 10, 15, 30 min
    float refbar = 0.0f;       // 75: altitude offset in metres
    int16_t logInterval = 5;   // 79: seconds
    uint8_t tnttbar = 0;       // 81: 0 to 3: 5, 10, 30, 60 min
};

// One record of a .poi file: positions in millionths of a degree, the icon 1-based.
struct SimPoi {
    uint8_t number = 0;
    int32_t latitude = 0;
    int32_t longitude = 0;
    uint8_t icon = 1;
};

constexpr uint32_t kChallengeBlock = 10;
constexpr uint32_t kResponseBlock = 11;
constexpr uint32_t kSettingsBlock = 512;
constexpr uint32_t kPoiBlock = 513;

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

    void writeSettings(const SimSettings& settings);
    SimSettings readSettings() const;

    // Fills the POI block as the program's upload does (header, number table, position table
    // in its first 314 bytes); the rest of block 513 stays. Values are written as given, out of
    // range or not, so that tests can hand the program what a faulty logger might hold. At
    // most 20 entries are written; slots without one stay as they were.
    void writePois(const std::vector<SimPoi>& pois);

    bool save(const std::filesystem::path& path, std::string& error) const;
    static std::optional<LoggerImage> load(const std::filesystem::path& path, std::string& error);

  private:
    // An image without bytes, for load to fill. (A private default constructor would make
    // `LoggerImage image;` ambiguous with the public one, whose arguments all have defaults.)
    struct Unfilled {};
    explicit LoggerImage(Unfilled) {}
    std::vector<uint8_t> bytes_;
};

// The handshake as the program answers it: the response word computed from the first word of
// block 10, followed by the other 4092 bytes of block 10, all written to block 11.
uint32_t handshakeResponse(uint32_t challenge);
void answerHandshake(LoggerImage& image);
enum class HandshakeState { None, Ok, Wrong };  // block 11 all zero / the response / other
HandshakeState checkHandshake(const LoggerImage& image);

// Every trk of a GPX 1.0 or 1.1 file as one track (all its segments, in order): positions,
// ele in metres stored as feet, time as UTC seconds, tzOffset as each fix's minute offset.
// Points without a time or position are left out. Empty with error set when the file cannot be
// read.
std::vector<SimTrack> readGpxTracks(const std::filesystem::path& path, int16_t tzOffset,
                                    std::string& error);
// The same, telling in `warnings` how many points were left out and why, and which trk had
// no usable point at all (such a trk yields no track).
std::vector<SimTrack> readGpxTracks(const std::filesystem::path& path, int16_t tzOffset,
                                    std::string& error, std::vector<std::string>& warnings);

// An ISO 8601 date and time "YYYY-MM-DDTHH:MM:SS", optionally with a fraction (dropped) and a
// zone ("Z", "+HH:MM", "+HHMM", "+HH"). `seconds` counts from 1970-01-01 00:00 of the written
// clock, minus the zone's offset when there is one (so it is UTC exactly when hasZone).
struct IsoTime {
    int64_t seconds = 0;
    bool hasZone = false;
};
std::optional<IsoTime> parseIsoTime(std::string_view text);
// "YYYY-MM-DDTHH:MM:SSZ" of seconds since 1970-01-01 UTC.
std::string isoUtcText(int64_t seconds);
// A decimal degree text as millionths of a degree, truncated toward zero digit by digit (so
// "47.1234569" is 47123456 whatever the binary rounding); nothing when it is not a number.
std::optional<int32_t> parseMicroDegrees(std::string_view text);
// Metres as whole feet, rounded and clamped to the 16-bit range.
int16_t feetFromMetres(double metres);
// Air pressure in hPa of the standard atmosphere at an altitude in metres, rounded.
int32_t standardPressure(double metres);

// count tracks of `points` plausible fixes each (a walk with smooth altitude, pressure and
// temperature), one a day from startUnix, `interval` seconds apart.
std::vector<SimTrack> generateTracks(int count, int points, int64_t startUnix, int interval,
                                     int16_t tzOffset, uint32_t seed = 7);
// The same with a point count of its own for each track (as pointsToFillLog gives them).
std::vector<SimTrack> generateTracks(const std::vector<int>& points, int64_t startUnix,
                                     int interval, int16_t tzOffset, uint32_t seed = 7);
// The points per track that make `count` tracks fill all 998 chunks exactly (spread so that
// the chunk counts add up to 998); element i is the point count of track i.
std::vector<int> pointsToFillLog(int count);

// The 20 records of a .poi file of 200 to 209 bytes, values as they stand; empty with error
// set for any other size or an unreadable file.
std::vector<SimPoi> readPoiFile(const std::filesystem::path& path, std::string& error);

// The readable description of an image that `vandrel-sim inspect` prints: the handshake line,
// the settings block fields, the 20 POI entries, the log-present word and the runs of the index.
std::string inspectImage(const LoggerImage& image);

}  // namespace vandrel::sim
