#pragma once
// .poi files: the 20 slots as 20 records of 10 bytes (200 bytes), slot order, no header,
// little-endian:
//
//   0 u8 slot number   1 s32 latitude   5 s32 longitude   9 u8 icon number (1-based)
//
// (positions in millionths of a degree, truncated toward zero when written). A file of 200 to
// 209 bytes is read (the size counted in whole records must be 20); anything after the 20th
// record is ignored.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "core/poi_slot.h"

namespace vandrel {

constexpr size_t kPoiRecordSize = 10;
constexpr size_t kPoiFileSize = kPoiRecordSize * kPoiSlotCount;  // 200

struct PoiFileResult {
    bool ok = false;
    std::string message;  // why the file was refused or could not be written
};

std::array<uint8_t, kPoiFileSize> encodePoiFile(const PoiSlots& slots);

// Reads the records into `slots`, all or nothing: a wrong size, or any record whose position
// is beyond the poles or the date line or whose icon is outside 1 to 27, refuses the whole
// file and leaves the slots as they were.
PoiFileResult decodePoiFile(const uint8_t* data, size_t size, PoiSlots& slots);

// Creates the file (replacing one that exists) with the 20 records.
PoiFileResult WritePoiFile(const std::filesystem::path& path, const PoiSlots& slots);
// Opens an existing file and decodes it as above; the slots change only on success.
PoiFileResult ReadPoiFile(const std::filesystem::path& path, PoiSlots& slots);

}  // namespace vandrel
