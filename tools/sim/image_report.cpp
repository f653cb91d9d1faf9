// The readable description of a logger volume. One fact per line, "name: value", so that a
// test or a user can grep for it; the layouts are read here on their own, not through the
// device code, so that the inspector can judge what the program wrote.

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "device/log_layout.h"
#include "tools/sim/logger_image.h"
#include "tools/sim/sim_bytes.h"

namespace vandrel::sim {

namespace layout = vandrel::log_layout;

namespace {

constexpr int kPoiCount = 20;
constexpr size_t kPoiNumbersAt = 34;     // 20 entries of 5 bytes: index, number (u32)
constexpr size_t kPoiPositionsAt = 134;  // 20 entries of 9 bytes: lat, lon (s32), icon - 1

std::string format(const char* pattern, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

const char* choice(int value, std::initializer_list<const char*> names, int first = 0) {
    const int i = value - first;
    return i >= 0 && i < static_cast<int>(names.size()) ? names.begin()[i] : "unknown";
}

void describeHandshake(const LoggerImage& image, std::ostream& out) {
    const char* states[] = {"none", "ok", "wrong"};
    out << "handshake: " << states[static_cast<int>(checkHandshake(image))] << "\n";
    out << format("challenge: 0x%08X\n", le::getU32(image.block(kChallengeBlock)));
    out << format("response: 0x%08X\n", le::getU32(image.block(kResponseBlock)));
}

void describeSettings(const LoggerImage& image, std::ostream& out) {
    const SimSettings s = image.readSettings();
    out << format("settings TimeZone offset east: %d min\n", s.timeZoneEast);
    out << format("settings Temperature: %d (%s)\n", s.temperature,
                  choice(s.temperature, {"C", "F"}, 1));
    out << format("settings TimeFormat: %d (%s)\n", s.timeFormat,
                  choice(s.timeFormat, {"12-hour", "24-hour"}, 1));
    out << format("settings Length: %d (%s)\n", s.length,
                  choice(s.length, {"metric", "imperial"}, 1));
    out << format("settings Length2: %d (%s)\n", s.length2,
                  choice(s.length2, {"metric", "imperial"}, 1));
    out << format("settings byte72: %d\n", s.byte72);
    out << format("settings PowerOff: %d (%s)\n", s.powerOff,
                  choice(s.powerOff, {"never", "5 min", "10 min", "30 min", "60 min"}));
    out << format("settings Backlight: %d (%s)\n", s.backlight,
                  choice(s.backlight, {"never", "5 min", "10 min", "15 min", "30 min"}));
    out << format("settings Refbar: %.2f m\n", static_cast<double>(s.refbar));
    out << format("settings LogInterval: %d s\n", s.logInterval);
    out << format("settings Tnttbar: %d (%s)\n", s.tnttbar,
                  choice(s.tnttbar, {"5 min", "10 min", "30 min", "60 min"}));
    // The two bytes the erase of the logs clears.
    const uint8_t* b = image.block(kSettingsBlock);
    out << format("settings bytes 193-194: %d %d\n", b[193], b[194]);
}

// The header the program writes before the two tables; anything else is worth a look.
bool poiHeaderOk(const uint8_t* b) {
    return le::getU32(b) == 4130 && le::getU16(b + 4) == 5 && le::getU32(b + 6) == 4230 &&
           le::getU16(b + 10) == 9 && le::getU32(b + 12) == 20 && le::getU32(b + 16) == 20 &&
           le::getU32(b + 20) == 4096 && le::getU16(b + 24) == 0xFFFF && le::getU32(b + 26) == 0 &&
           le::getU16(b + 30) == 0xF001 && le::getU16(b + 32) == 1;
}

void describePois(const LoggerImage& image, std::ostream& out) {
    const uint8_t* b = image.block(kPoiBlock);
    if (std::all_of(b, b + 4096, [](uint8_t v) { return v == 0xFF; })) {
        out << "poi block: erased\n";
        return;
    }
    out << "poi block: written\n";
    out << "poi header: " << (poiHeaderOk(b) ? "ok" : "unexpected") << "\n";
    for (int i = 0; i < kPoiCount; ++i) {
        const uint8_t* n = b + kPoiNumbersAt + 5 * i;
        const uint8_t* p = b + kPoiPositionsAt + 9 * i;
        if (std::all_of(p, p + 9, [](uint8_t v) { return v == 0xFF; })) {
            out << format("poi %d: erased\n", i);
            continue;
        }
        // The icon byte holds the icon number minus one; the line shows the number.
        out << format("poi %d: index %d number %u latitude %.6f longitude %.6f icon %d\n", i, n[0],
                      le::getU32(n + 1), le::getS32(p) / 1e6, le::getS32(p + 4) / 1e6, p[8] + 1);
    }
}

struct IndexEntry {
    int32_t key;
    int32_t sequence;
    bool erased() const { return key == -1 || sequence == -1; }
};

IndexEntry entry(const LoggerImage& image, int i) {
    const uint8_t* e = image.bytes().data() + layout::kIndexVolumeOffset + layout::kEntrySize * i;
    return {le::getS32(e), le::getS32(e + 8)};
}

const uint8_t* record(const LoggerImage& image, int chunk, int r) {
    return image.bytes().data() + layout::kDataVolumeOffset + layout::kChunkSize * chunk +
           layout::kRecordSize * r;
}

// A run as the download reads it: its records up to the first erased one.
void describeRun(const LoggerImage& image, int number, int first, int count, std::ostream& out) {
    int records = 0;
    uint32_t firstTime = 0, lastTime = 0;
    for (int i = 0; i < count * layout::kRecordsPerChunk; ++i) {
        const uint8_t* r =
            record(image, first + i / layout::kRecordsPerChunk, i % layout::kRecordsPerChunk);
        if (r[24] == 0xFF || r[25] == 0xFF) {
            break;
        }
        lastTime = le::getU32(r + 8);
        firstTime = records == 0 ? lastTime : firstTime;
        ++records;
    }
    const IndexEntry head = entry(image, first);
    out << format("run %d: key %d chunks %d-%d count %d sequence %d-%d records %d", number,
                  head.key, first, first + count - 1, count, head.sequence,
                  entry(image, first + count - 1).sequence, records);
    if (records > 0) {
        out << " first " << isoUtcText(firstTime) << " last " << isoUtcText(lastTime);
    }
    out << "\n";
}

void describeLog(const LoggerImage& image, std::ostream& out) {
    out << "log present: " << image.logPresent() << "\n";
    std::ostringstream runs;
    int runCount = 0, used = 0, erased = 0;
    for (int i = 0; i < layout::kEntryCount;) {
        const IndexEntry head = entry(image, i);
        if (head.erased()) {
            ++erased;
            ++i;
            continue;
        }
        int count = 1;
        while (i + count < layout::kEntryCount) {
            const IndexEntry next = entry(image, i + count);
            if (next.erased() || next.key != head.key ||
                int64_t{next.sequence} != int64_t{head.sequence} + count) {
                break;
            }
            ++count;
        }
        describeRun(image, ++runCount, i, count, runs);
        used += count;
        i += count;
    }
    out << format("log chunks: %d used, %d erased\n", used, erased);
    out << "log runs: " << runCount << "\n" << runs.str();
}

}  // namespace

std::string inspectImage(const LoggerImage& image) {
    std::ostringstream out;
    describeHandshake(image, out);
    describeSettings(image, out);
    describePois(image, out);
    describeLog(image, out);
    return out.str();
}

}  // namespace vandrel::sim
