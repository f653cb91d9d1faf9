#pragma once
// The erase image of the logger's logs: blocks 512 to 1023 (settings, POIs, log index, log data)
// are rewritten from the erase image "erase.bin" in the program folder, after its start was
// overwritten with what must survive:
//
//   bytes of erase.bin   overwritten with
//   0 to 4095            the logger's block 512 (settings) with bytes 193 and 194 set to 0
//   4096 to 4641         the first 546 bytes of the logger's block 513 (the POI block)
//   4642 to 2097151      kept: 0xFF everywhere but a log-present word of 0 at 21008 (volume
//                        byte 0x205210), so that a download finds no log afterwards
//
// So erase.bin also keeps the settings and POI areas of the last erased logger. The build
// writes the image beside the executables; the program folder gets its own copy from there
// the first time it has none.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/program_path.h"
#include "device/device_volume.h"

namespace vandrel {

constexpr uint32_t kEraseFirstBlock = 512;
constexpr uint32_t kEraseBlockCount = 512;
constexpr size_t kEraseImageSize = size_t{kEraseBlockCount} * 4096;  // 2097152
// Bytes of erase.bin the erase overwrites with the logger's settings and POI areas.
constexpr size_t kEraseKeptBytes = 4096 + 546;

// The erase image the build ships beside the executable (or in the resource folder when
// installed); empty when there is none.
std::filesystem::path shippedEraseImage();

// The erase image of the program folder, copied from `shipped` when the folder has none.
// False with the reason when neither exists or the copy fails.
bool ensureEraseImage(const std::filesystem::path& shipped, const DataFolder& folder,
                      std::filesystem::path& path, std::string& error);

// Puts the logger's settings block (bytes 193 and 194 cleared) and the first 546 bytes of its
// POI block at the start of an erase image of kEraseImageSize bytes.
void keepSettingsAndPois(std::vector<uint8_t>& image, const uint8_t* settingsBlock,
                         const uint8_t* poiBlock);

// The first kEraseImageSize bytes of the image; a shorter file has no data for the end of the
// erased range and is refused.
bool readEraseImage(const std::filesystem::path& path, std::vector<uint8_t>& image,
                    std::string& error);
// Rewrites the start of the image file with the kept areas; the rest of the file stays.
bool writeKeptBytes(const std::filesystem::path& path, const std::vector<uint8_t>& image,
                    std::string& error);
// Blocks 512 and 513 as the logger holds them now.
bool readKeptBlocks(DeviceVolume& volume, uint8_t* settingsBlock, uint8_t* poiBlock,
                    std::string& error);
// The 512 blocks of the image from block 512 on; the message says how far it came.
bool writeErasedBlocks(DeviceVolume& volume, const std::vector<uint8_t>& image, std::string& error);

// Appended to every failure that left the logger untouched.
inline constexpr const char* kNothingErased = " Nothing was erased.";

}  // namespace vandrel
