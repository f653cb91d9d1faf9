#include "device/poi_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/atomic_file.h"
#include "core/file_reading.h"
#include "device/byte_order.h"
#include "device/poi_block.h"

namespace vandrel {
namespace {

std::string degreesText(int32_t micro) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", micro / 1e6);
    return text;
}

// Why record i cannot be a slot, or empty.
std::string recordProblem(int i, int32_t lat, int32_t lng, uint8_t icon) {
    const std::string which = "POI " + std::to_string(i + 1);
    if (lat < -poi_block::kMostLatitude || lat > poi_block::kMostLatitude) {
        return which + " has latitude " + degreesText(lat) + ", outside -90 to 90";
    }
    if (lng < -poi_block::kMostLongitude || lng > poi_block::kMostLongitude) {
        return which + " has longitude " + degreesText(lng) + ", outside -180 to 180";
    }
    if (icon < 1 || icon > kPoiIconCount) {
        return which + " has icon " + std::to_string(icon) + ", outside 1 to " +
               std::to_string(kPoiIconCount);
    }
    return {};
}

}  // namespace

std::array<uint8_t, kPoiFileSize> encodePoiFile(const PoiSlots& slots) {
    std::array<uint8_t, kPoiFileSize> bytes{};
    for (int i = 0; i < kPoiSlotCount; ++i) {
        uint8_t* record = bytes.data() + kPoiRecordSize * i;
        record[0] = slots[i].number;
        byte_order::putS32(record + 1, poi_block::microDegrees(slots[i].latitude));
        byte_order::putS32(record + 5, poi_block::microDegrees(slots[i].longitude));
        record[9] = slots[i].icon;
    }
    return bytes;
}

PoiFileResult decodePoiFile(const uint8_t* data, size_t size, PoiSlots& slots) {
    PoiFileResult result;
    if (size / kPoiRecordSize != kPoiSlotCount) {
        result.message = "it is " + std::to_string(size) + " bytes long; a POI file holds " +
                         std::to_string(kPoiFileSize) + " bytes (20 records of 10)";
        return result;
    }
    PoiSlots read = slots;
    for (int i = 0; i < kPoiSlotCount; ++i) {
        const uint8_t* record = data + kPoiRecordSize * i;
        const int32_t lat = byte_order::getS32(record + 1);
        const int32_t lng = byte_order::getS32(record + 5);
        const uint8_t icon = record[9];
        result.message = recordProblem(i, lat, lng, icon);
        if (!result.message.empty()) {
            return result;
        }
        read[i].number = record[0];
        read[i].latitude = static_cast<float>(lat / 1000000.0);
        read[i].longitude = static_cast<float>(lng / 1000000.0);
        read[i].icon = icon;
    }
    slots = read;
    result.ok = true;
    return result;
}

// Written as every export is: the chosen name shows the old file or the whole new one, never
// an empty or half one (a full disk, a killed program).
PoiFileResult WritePoiFile(const std::filesystem::path& path, const PoiSlots& slots) {
    PoiFileResult result;
    const auto bytes = encodePoiFile(slots);
    AtomicFile file(path);
    if (!file.create(true, result.message)) {
        return result;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.stream()) != bytes.size()) {
        result.message = cannotWrite(path, std::strerror(errno));
        return result;
    }
    if (!file.commit(result.message)) {
        return result;
    }
    result.ok = true;
    return result;
}

PoiFileResult ReadPoiFile(const std::filesystem::path& path, PoiSlots& slots) {
    PoiFileResult result;
    // The largest file that can be read: 20 records and the rest of a 21st.
    const FileRead read = readRegularFile(path, kPoiFileSize + kPoiRecordSize - 1);
    if (!read.ok) {
        result.message = read.error;
        return result;
    }
    if (read.longer) {
        result.message =
            path.string() + " is not a POI file: it is longer than a POI file of 200 bytes";
        return result;
    }
    result = decodePoiFile(read.bytes.data(), read.bytes.size(), slots);
    if (!result.ok) {
        result.message = path.string() + " is not a POI file: " + result.message;
    }
    return result;
}

}  // namespace vandrel
