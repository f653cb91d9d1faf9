// The POI block and .poi files as the simulator writes and reads them, independently of the
// program's own encoder so that the inspector can judge what the program wrote.
//
// POI block, first 314 bytes of block 513: a 34-byte header of fixed values, 20 number entries
// of 5 bytes (index u8, number u32) from 34, 20 position entries of 9 bytes (latitude s32,
// longitude s32 in millionths, icon - 1 u8) from 134.
// .poi file: 20 records of 10 bytes: number u8, latitude s32, longitude s32, icon u8 (1-based).

#include <cerrno>
#include <cstring>
#include <fstream>

#include "core/file_reading.h"
#include "tools/sim/logger_image.h"
#include "tools/sim/sim_bytes.h"

namespace vandrel::sim {

namespace {

constexpr int kPoiSlots = 20;
constexpr size_t kNumbersAt = 34;
constexpr size_t kPositionsAt = 134;
constexpr size_t kRecordSize = 10;

}  // namespace

void LoggerImage::writePois(const std::vector<SimPoi>& pois) {
    uint8_t* b = block(kPoiBlock);
    // Header: the tables' places counted from block 512, their entry sizes and counts.
    le::putU32(b + 0, 4130);
    le::putU16(b + 4, 5);
    le::putU32(b + 6, 4230);
    le::putU16(b + 10, 9);
    le::putU32(b + 12, 20);
    le::putU32(b + 16, 20);
    le::putU32(b + 20, 4096);
    le::putU16(b + 24, 0xFFFF);
    le::putU32(b + 26, 0);
    le::putU16(b + 30, 0xF001);
    le::putU16(b + 32, 1);
    for (size_t i = 0; i < pois.size() && i < kPoiSlots; ++i) {
        uint8_t* n = b + kNumbersAt + 5 * i;
        n[0] = static_cast<uint8_t>(i);
        le::putU32(n + 1, pois[i].number);
        uint8_t* p = b + kPositionsAt + 9 * i;
        le::putS32(p, pois[i].latitude);
        le::putS32(p + 4, pois[i].longitude);
        p[8] = static_cast<uint8_t>(pois[i].icon - 1);
    }
}

std::vector<SimPoi> readPoiFile(const std::filesystem::path& path, std::string& error) {
    const FileRead read = readRegularFile(path, kPoiSlots * kRecordSize + kRecordSize);
    if (!read.ok) {
        error = read.error;
        return {};
    }
    const size_t size = read.bytes.size();
    const uint8_t* bytes = read.bytes.data();
    if (size / kRecordSize != kPoiSlots) {
        error = path.string() + " is not a POI file of 200 bytes (20 records of 10)";
        return {};
    }
    std::vector<SimPoi> pois(kPoiSlots);
    for (int i = 0; i < kPoiSlots; ++i) {
        const uint8_t* r = bytes + kRecordSize * i;
        pois[i].number = r[0];
        pois[i].latitude = le::getS32(r + 1);
        pois[i].longitude = le::getS32(r + 5);
        pois[i].icon = r[9];
    }
    return pois;
}

}  // namespace vandrel::sim
