#pragma once
// The firmware update: an image file written unchanged into the logger's firmware area, from
// block 16 (byte 0x10000) on, one 4096-byte block after the other. The area ends where the
// settings block begins (block 512), so an image holds at most 496 blocks.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vandrel {

constexpr uint32_t kFirmwareFirstBlock = 16;
constexpr uint32_t kFirmwareMostBlocks = 512 - kFirmwareFirstBlock;        // 496
constexpr size_t kFirmwareMostBytes = size_t{kFirmwareMostBlocks} * 4096;  // 2031616

// An image read whole and cut into blocks; the last block is filled up with 0xFF (the value
// of unprogrammed flash) after the end of the file.
struct FirmwareImage {
    std::vector<uint8_t> blocks;  // blockCount * 4096 bytes
    size_t size = 0;              // bytes of the file
    uint32_t blockCount = 0;
};

// Reads the image. Fails (with the reason) when the file cannot be read, is empty, or is
// larger than the firmware area: such an image would overwrite the settings, the POIs and
// the log.
bool loadFirmwareImage(const std::filesystem::path& path, FirmwareImage& image, std::string& error);

}  // namespace vandrel
