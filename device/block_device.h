#pragma once
// A volume read and written in whole 4096-byte blocks.
//
// Every access keeps the same order: open (with exclusive access), position, transfer, flush,
// release the exclusive access, close. Nothing stays open between two operations, so a logger
// unplugged between commands is noticed at the next open.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vandrel {

constexpr size_t kBlockSize = 4096;

class BlockDevice {
  public:
    virtual ~BlockDevice() = default;

    // Opens and locks the volume. On failure returns false and error() says why.
    virtual bool open() = 0;
    // Moves to a byte position of the volume.
    virtual bool seek(uint64_t offset) = 0;
    // Transfers exactly one block at the current position and advances by one block.
    virtual bool readBlock(uint8_t* block) = 0;
    virtual bool writeBlock(const uint8_t* block) = 0;
    // Flushes what was written, unlocks and closes; harmless (true) when not open. False when
    // the flush failed, with the reason in error(): what was written may not have reached the
    // volume, so a write is only done once close() said so.
    virtual bool close() = 0;

    // The path or name shown to the user.
    virtual std::string name() const = 0;
    // The reason of the last failure, empty when none.
    virtual std::string error() const = 0;
};

// A raw Linux block device (opened for direct I/O so that no read is served from the page
// cache) or a volume image file.
std::unique_ptr<BlockDevice> openVolumePath(const std::string& path);

}  // namespace vandrel
