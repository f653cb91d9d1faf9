// Finding the logger's volume and moving whole blocks to and from it.
//
// The logger is recognised by the file Id.txt in the root of its file system; the raw volume
// is the device the kernel mounted that file system from. Each access stands alone:
//
//   OpenAt:  open + exclusive lock  ->  position
//   transfer blocks through the handle
//   Release: flush (fsync, drop the kernel's buffers)  ->  unlock  ->  close

#include "device/device_volume.h"

#include "device/byte_order.h"

#include <sys/stat.h>

#include <array>
#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vandrel {
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kChallengeBlock = 10;
constexpr uint32_t kResponseBlock = 11;

bool pathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool isVolumeSource(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (S_ISBLK(st.st_mode) || S_ISREG(st.st_mode));
}

bool holdsIdFile(const std::string& folder) {
    return pathExists(folder + "/Id.txt");
}

// Mount table fields escape blank, tab, newline and backslash as \ooo.
std::string unescapeOctal(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const char a = text[i + 1];
            const char b = text[i + 2];
            const char c = text[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

// A later entry on the same mount point covers this one: the path shows the later file system.
bool coveredByLaterMount(const std::vector<MountEntry>& entries, size_t index) {
    for (size_t j = index + 1; j < entries.size(); ++j) {
        if (entries[j].mountPoint == entries[index].mountPoint) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<MountEntry> parseMountInfo(const std::string& text) {
    // id parent major:minor root mount-point options [optional fields...] - type source options
    std::vector<MountEntry> entries;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> parts;
        std::string field;
        while (fields >> field) {
            parts.push_back(field);
        }
        size_t separator = 6;
        while (separator < parts.size() && parts[separator] != "-") {
            ++separator;
        }
        if (parts.size() < 6 || separator + 2 >= parts.size()) {
            continue;
        }
        MountEntry entry;
        entry.root = unescapeOctal(parts[3]);
        entry.mountPoint = unescapeOctal(parts[4]);
        entry.fsType = unescapeOctal(parts[separator + 1]);
        entry.source = unescapeOctal(parts[separator + 2]);
        entries.push_back(std::move(entry));
    }
    return entries;
}

uint32_t handshakeResponse(uint32_t challenge) {
    return (challenge ^ 0x2D4B6A19u) + 0x1F3C5E87u;
}

bool VolumeHandle::readBlock(uint8_t* block) {
    return device_ != nullptr && device_->readBlock(block);
}

bool VolumeHandle::writeBlock(const uint8_t* block) {
    return device_ != nullptr && device_->writeBlock(block);
}

std::string VolumeHandle::error() const {
    return device_ != nullptr ? device_->error() : "the logger volume is not open";
}

void DeviceVolume::setDevicePath(const std::string& path) {
    devicePath_ = path;
}

void DeviceVolume::setMountTable(const std::string& path) {
    mountTable_ = path;
}

void DeviceVolume::setDeviceFactory(DeviceFactory factory) {
    factory_ = std::move(factory);
}

void DeviceVolume::reset() {
    devicePath_.clear();
    mountTable_ = "/proc/self/mountinfo";
    rememberedMount_.clear();
    volumePath_.clear();
    lastError_.clear();
    factory_ = nullptr;
}

bool DeviceVolume::readMountTable(std::vector<MountEntry>& entries) {
    std::ifstream in(mountTable_, std::ios::binary);
    if (!in) {
        lastError_ = "Cannot read the mount table " + mountTable_;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    entries = parseMountInfo(text.str());
    return true;
}

bool DeviceVolume::tryCandidate(const std::string& mountPoint, const std::string& source) {
    if (!holdsIdFile(mountPoint) || !isVolumeSource(source)) {
        return false;
    }
    rememberedMount_ = mountPoint;
    volumePath_ = source;
    return true;
}

// A path given by the user: a block device or an image is the volume itself; a folder must
// be the logger's mount point, whose device the mount table names.
bool DeviceVolume::findGivenPath() {
    volumePath_.clear();
    struct stat st {};
    if (::stat(devicePath_.c_str(), &st) != 0) {
        lastError_ = devicePath_ + ": no such device, mount point or volume image";
        return false;
    }
    if (S_ISBLK(st.st_mode) || S_ISREG(st.st_mode)) {
        volumePath_ = devicePath_;
        return true;
    }
    if (!S_ISDIR(st.st_mode)) {
        lastError_ = devicePath_ + " is neither a block device, a mount point nor a volume image";
        return false;
    }
    if (!holdsIdFile(devicePath_)) {
        lastError_ = devicePath_ + " does not hold Id.txt, so it is not the logger";
        return false;
    }
    std::error_code ec;
    const std::string folder = fs::canonical(devicePath_, ec).string();
    std::vector<MountEntry> entries;
    if (ec || !readMountTable(entries)) {
        if (lastError_.empty()) {
            lastError_ = "Cannot resolve " + devicePath_ + ": " + ec.message();
        }
        return false;
    }
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->mountPoint == folder && it->root == "/") {
            volumePath_ = it->source;
            return true;
        }
    }
    lastError_ = devicePath_ +
                 " is not the mount point of a file system; give the logger's mount point or "
                 "its device";
    return false;
}

bool DeviceVolume::FindDrive() {
    lastError_.clear();
    if (!devicePath_.empty()) {
        return findGivenPath();
    }
    std::vector<MountEntry> entries;
    const bool tableRead = readMountTable(entries);
    // The volume found last is tried first, so a logger stays where it was found.
    if (tableRead && !rememberedMount_.empty()) {
        for (size_t i = entries.size(); i-- > 0;) {
            if (entries[i].mountPoint == rememberedMount_) {
                if (entries[i].root == "/" &&
                    tryCandidate(entries[i].mountPoint, entries[i].source)) {
                    return true;
                }
                break;
            }
        }
    }
    for (size_t i = 0; tableRead && i < entries.size(); ++i) {
        const MountEntry& entry = entries[i];
        if (entry.root == "/" && !coveredByLaterMount(entries, i) &&
            tryCandidate(entry.mountPoint, entry.source)) {
            return true;
        }
    }
    rememberedMount_.clear();
    volumePath_.clear();
    return false;
}

VolumeHandle DeviceVolume::OpenAt(uint32_t position) {
    VolumeHandle handle;
    lastError_.clear();
    if (volumePath_.empty()) {
        lastError_ = "No logger volume was found";
        return handle;
    }
    std::unique_ptr<BlockDevice> device =
        factory_ ? factory_(volumePath_) : openVolumePath(volumePath_);
    if (device == nullptr) {
        lastError_ = "Cannot access " + volumePath_;
        return handle;
    }
    if (!device->open()) {
        lastError_ = device->error();
        return handle;
    }
    if (!device->seek(position)) {
        lastError_ = device->error();
        (void)device->close();
        return handle;
    }
    handle.device_ = std::move(device);
    return handle;
}

bool DeviceVolume::Release(VolumeHandle& handle) {
    if (handle.device_ == nullptr) {
        return true;
    }
    const bool flushed = handle.device_->close();
    if (!flushed) {
        lastError_ = handle.device_->error();
    }
    handle.device_.reset();
    return flushed;
}

// Opens the volume at firstBlock, moves count blocks one call each, and releases it whatever
// happened; true only when every block moved.
template <typename MoveBlock>
bool DeviceVolume::transferBlocks(uint32_t firstBlock, int count, MoveBlock moveBlock) {
    // Volume positions are 32-bit: only the first 4 GiB can be addressed.
    if (count < 0 || firstBlock > UINT32_MAX / kBlockSize) {
        return false;
    }
    VolumeHandle handle = OpenAt(static_cast<uint32_t>(firstBlock * kBlockSize));
    if (!handle.valid()) {
        return false;
    }
    int moved = 0;
    while (moved < count && moveBlock(handle, size_t(moved) * kBlockSize)) {
        ++moved;
    }
    if (moved < count) {
        lastError_ = handle.error();
        Release(handle);
        return false;
    }
    return Release(handle);
}

bool DeviceVolume::ReadBlocks(uint32_t firstBlock, uint8_t* buffer, int count) {
    return transferBlocks(firstBlock, count, [buffer](VolumeHandle& handle, size_t offset) {
        return handle.readBlock(buffer + offset);
    });
}

bool DeviceVolume::WriteBlocks(uint32_t firstBlock, const uint8_t* buffer, int count) {
    return transferBlocks(firstBlock, count, [buffer](VolumeHandle& handle, size_t offset) {
        return handle.writeBlock(buffer + offset);
    });
}

// The logger answers to a program that proves it knows the handshake: the challenge it put
// in block 10 comes back transformed in block 11, the rest of the block unchanged.
bool DeviceVolume::Connect() {
    if (!FindDrive()) {
        return false;
    }
    std::array<uint8_t, kBlockSize> block{};
    if (!ReadBlocks(kChallengeBlock, block.data(), 1)) {
        return false;
    }
    byte_order::putU32(block.data(), handshakeResponse(byte_order::getU32(block.data())));
    return WriteBlocks(kResponseBlock, block.data(), 1);
}

}  // namespace vandrel
