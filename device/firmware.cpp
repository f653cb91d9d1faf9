#include "device/firmware.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "device/block_device.h"

namespace vandrel {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool loadFirmwareImage(const std::filesystem::path& path, FirmwareImage& image,
                       std::string& error) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (file == nullptr) {
        error = "Cannot open " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    // One byte more than the area holds tells a too large image without reading all of it.
    std::vector<uint8_t> bytes(kFirmwareMostBytes + 1);
    const size_t size = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (std::ferror(file.get()) != 0) {
        error = "Reading " + path.string() + " failed: " + std::strerror(errno);
        return false;
    }
    if (size == 0) {
        error = path.string() + " is empty; it is not a firmware image.";
        return false;
    }
    if (size > kFirmwareMostBytes) {
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
