#pragma once
// The one object that finds the logger's volume and reads and writes its blocks.
//
// The logger shows up as a removable drive whose root holds `Id.txt`. On Linux the candidates
// are the mounted file systems (from the mount table) whose root holds that file, the one found
// last tried first; the volume is the block device behind the mount. A path given with
// `--device` (a block device, a mount point holding `Id.txt`, or a volume image) replaces the
// search.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/block_device.h"

namespace vandrel {

// An open, locked, positioned volume as OpenAt returns it; invalid when the open failed.
class VolumeHandle {
  public:
    bool valid() const { return device_ != nullptr; }
    // One 4096-byte block at the current position; each call advances one block.
    bool readBlock(uint8_t* block);
    bool writeBlock(const uint8_t* block);
    // Why the last transfer failed, naming the volume; empty when none did.
    std::string error() const;

  private:
    friend class DeviceVolume;
    std::unique_ptr<BlockDevice> device_;
};

// A mounted file system as the mount table lists it.
struct MountEntry {
    std::string mountPoint;
    std::string source;  // the device behind the mount, e.g. /dev/sdb1
    std::string fsType;
    std::string root = "/";  // the folder of the file system mounted there; "/" unless bound
};

// Parses the text of /proc/self/mountinfo (octal escapes such as \040 are undone).
std::vector<MountEntry> parseMountInfo(const std::string& text);

// One program's logger: the volume it found last and how it searches. Used by one thread at a
// time (see flows/session.h).
class DeviceVolume {
  public:
    DeviceVolume() = default;

    // `--device`: a block device, a mount point holding Id.txt, or a volume image.
    void setDevicePath(const std::string& path);
    // Where the mount table is read from (tests point it at a file of their own).
    void setMountTable(const std::string& path);
    // Tests: makes the block device for a volume path (default: openVolumePath).
    using DeviceFactory = std::function<std::unique_ptr<BlockDevice>(const std::string& path)>;
    void setDeviceFactory(DeviceFactory factory);
    // Forgets the remembered volume and every setting above.
    void reset();

    // True when a volume was found; it is remembered and tried first next time.
    bool FindDrive();
    // Opens, locks and positions the volume found last; the invalid handle on failure.
    VolumeHandle OpenAt(uint32_t position);
    // Flushes, unlocks and closes. False when the flush failed (lastError() says why): blocks
    // written through the handle may not be on the logger.
    bool Release(VolumeHandle& handle);
    // True only when exactly count blocks were transferred.
    bool ReadBlocks(uint32_t firstBlock, uint8_t* buffer, int count);
    bool WriteBlocks(uint32_t firstBlock, const uint8_t* buffer, int count);
    // FindDrive, then the handshake: block 11 gets block 10 with its first word answered.
    bool Connect();

    // The volume found last (device or image path), empty before the first success.
    const std::string& volumePath() const { return volumePath_; }
    // Why the last open or search failed, for the user (permissions, missing device), or empty.
    const std::string& lastError() const { return lastError_; }

  private:
    template <typename MoveBlock>
    bool transferBlocks(uint32_t firstBlock, int count, MoveBlock moveBlock);
    bool tryCandidate(const std::string& mountPoint, const std::string& source);
    bool findGivenPath();
    bool readMountTable(std::vector<MountEntry>& entries);

    std::string devicePath_;
    std::string mountTable_ = "/proc/self/mountinfo";
    std::string rememberedMount_;
    std::string volumePath_;
    std::string lastError_;
    DeviceFactory factory_;
};

// The handshake answer to the challenge read from block 10.
uint32_t handshakeResponse(uint32_t challenge);

}  // namespace vandrel
