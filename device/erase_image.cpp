#include "device/erase_image.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "core/atomic_file.h"
#include "core/file_reading.h"
#include "core/program_path.h"
#include "device/block_device.h"
#include "device/device_volume.h"
#include "device/poi_block.h"
#include "device/settings_block.h"

namespace vandrel {
namespace fs = std::filesystem;

bool readEraseImage(const fs::path& path, std::vector<uint8_t>& image, std::string& error) {
    FileRead read = readRegularFile(path, kEraseImageSize);
    if (!read.ok) {
        error = read.error + ".";
        return false;
    }
    const size_t size = read.bytes.size();
    if (size < kEraseImageSize) {
        error = path.string() + " holds " + std::to_string(size) + " bytes; the erase needs " +
                std::to_string(kEraseImageSize) + ".";
        return false;
    }
    image = std::move(read.bytes);
    return true;
}

bool writeKeptBytes(const fs::path& path, const std::vector<uint8_t>& image, std::string& error) {
    // A link planted as erase.bin is refused rather than written through.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    std::unique_ptr<std::FILE, FileCloser> file(fd >= 0 ? ::fdopen(fd, "r+b") : nullptr);
    if (file == nullptr) {
        error = "Cannot update " + path.string() + ": " + std::strerror(errno) + ".";
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    const bool written =
        std::fwrite(image.data(), 1, kEraseKeptBytes, file.get()) == kEraseKeptBytes;
    const int closed = std::fclose(file.release());
    if (!written || closed != 0) {
        error = "Updating " + path.string() + " failed: " + std::strerror(errno) + ".";
        return false;
    }
    return true;
}

bool readKeptBlocks(DeviceVolume& volume, uint8_t* settingsBlock, uint8_t* poiBlock,
                    std::string& error) {
    VolumeHandle handle = volume.OpenAt(kEraseFirstBlock * kBlockSize);
    if (!handle.valid()) {
        error = "Cannot open the logger: " + volume.lastError() + ".";
        return false;
    }
    const bool ok = handle.readBlock(settingsBlock) && handle.readBlock(poiBlock);
    if (!ok) {
        error = "Reading the logger's settings and POIs failed: " + handle.error() + ".";
    }
    volume.Release(handle);
    return ok;
}

bool writeErasedBlocks(DeviceVolume& volume, const std::vector<uint8_t>& image,
                       std::string& error) {
    VolumeHandle handle = volume.OpenAt(kEraseFirstBlock * kBlockSize);
    if (!handle.valid()) {
        error = "Cannot open the logger: " + volume.lastError() + "." + kNothingErased;
        return false;
    }
    for (uint32_t n = 0; n < kEraseBlockCount; ++n) {
        if (!handle.writeBlock(image.data() + size_t{n} * kBlockSize)) {
            error = "Writing block " + std::to_string(kEraseFirstBlock + n) +
                    " of the logger failed after " + std::to_string(n) + " of " +
                    std::to_string(kEraseBlockCount) + " blocks: " + handle.error() +
                    ". The logger is partly erased; run the erase again. Its settings and POIs "
                    "as they were are kept at the start of erase.bin.";
            volume.Release(handle);
            return false;
        }
    }
    if (!volume.Release(handle)) {
        error = "Flushing the erased blocks to the logger failed: " + volume.lastError() +
                ". The logger may be partly erased; run the erase again. Its settings and POIs "
                "as they were are kept at the start of erase.bin.";
        return false;
    }
    return true;
}

fs::path shippedEraseImage() {
    std::error_code ec;
    for (const fs::path& folder : {executableFolder(), resourceFolder()}) {
        const fs::path candidate = folder / "erase.bin";
        if (fs::is_regular_file(candidate, ec)) {
            return candidate;
        }
    }
    return {};
}

bool ensureEraseImage(const fs::path& shipped, const DataFolder& folder, fs::path& path,
                      std::string& error) {
    path = folder.file("erase.bin");
    std::error_code ec;
    if (fs::exists(path, ec)) {
        return true;
    }
    if (shipped.empty() || !fs::is_regular_file(shipped, ec)) {
        error = path.string() + " is missing and the program has no erase image to copy there.";
        return false;
    }
    // Copied under another name first, so that a copy cut short is never taken for the image;
    // a link planted under that name is replaced, never written through.
    fs::path partial = path;
    partial += ".part";
    const FileRead read = readRegularFile(shipped, kNoSizeLimit);
    std::string why = read.error;
    if (read.ok) {
        std::unique_ptr<std::FILE, FileCloser> out(createFreshFile(partial));
        const bool written = out != nullptr && std::fwrite(read.bytes.data(), 1, read.bytes.size(),
                                                           out.get()) == read.bytes.size();
        const bool closed = out != nullptr && std::fclose(out.release()) == 0;
        if (!written || !closed) {
            why = std::strerror(errno);
        } else {
            fs::rename(partial, path, ec);
            why = ec ? ec.message() : std::string();
        }
    }
    if (!why.empty()) {
        fs::remove(partial, ec);
        error = "Cannot copy the erase image " + shipped.string() + " to " + path.string() + ": " +
                why + ".";
        return false;
    }
    return true;
}

void keepSettingsAndPois(std::vector<uint8_t>& image, const uint8_t* settingsBlock,
                         const uint8_t* poiBlock) {
    std::memcpy(image.data(), settingsBlock, kBlockSize);
    std::memset(image.data() + settings_block::kEraseClearedAt, 0,
                settings_block::kEraseClearedCount);
    std::memcpy(image.data() + kBlockSize, poiBlock, poi_block::kKeptByErase);
}

}  // namespace vandrel
