#include "device/firmware.h"

#include <algorithm>

#include "core/file_reading.h"
#include "device/block_device.h"

namespace vandrel {
bool loadFirmwareImage(const std::filesystem::path& path, FirmwareImage& image,
                       std::string& error) {
    // Read no further than the area holds: the rest only tells that the image is too large.
    FileRead read = readRegularFile(path, kFirmwareMostBytes);
    if (!read.ok) {
        error = read.error;
        return false;
    }
    std::vector<uint8_t> bytes = std::move(read.bytes);
    const size_t size = bytes.size();
    if (size == 0) {
        error = path.string() + " is empty; it is not a firmware image.";
        return false;
    }
    if (read.longer) {
        error = path.string() + " is larger than the logger's firmware area of " +
                std::to_string(kFirmwareMostBytes) + " bytes (" +
                std::to_string(kFirmwareMostBlocks) +
                " blocks); writing it would overwrite the settings, the POIs and the logs.";
        return false;
    }
    image.size = size;
    image.blockCount = static_cast<uint32_t>((size + kBlockSize - 1) / kBlockSize);
    bytes.resize(size_t{image.blockCount} * kBlockSize);
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(size), bytes.end(), uint8_t{0xFF});
    image.blocks = std::move(bytes);
    return true;
}

}  // namespace vandrel
