#include "device/device_blocks.h"

#include "device/block_device.h"
#include "device/device_volume.h"

namespace vandrel {
namespace {

// Opens the volume at `block` and moves one block; `write` chooses the direction.
bool transferDeviceBlock(DeviceVolume& volume, uint32_t block, uint8_t* buffer, bool write,
                         std::string& error) {
    VolumeHandle handle = volume.OpenAt(static_cast<uint32_t>(block * kBlockSize));
    if (!handle.valid()) {
        error = "Cannot open the logger: " + volume.lastError();
        return false;
    }
    const bool ok = write ? handle.writeBlock(buffer) : handle.readBlock(buffer);
    const std::string what = std::string(write ? "Writing" : "Reading") + " block " +
                             std::to_string(block) + " of the logger failed: ";
    if (!ok) {
        error = what + handle.error();
    }
    const bool released = volume.Release(handle);
    // A written block is only on the logger once the flush went through.
    if (ok && !released && write) {
        error = what + volume.lastError();
        return false;
    }
    return ok;
}

}  // namespace

bool readDeviceBlock(DeviceVolume& volume, uint32_t block, uint8_t* buffer, std::string& error) {
    return transferDeviceBlock(volume, block, buffer, false, error);
}

bool writeDeviceBlock(DeviceVolume& volume, uint32_t block, const uint8_t* buffer,
                      std::string& error) {
    // The transfer only reads the buffer when writing.
    return transferDeviceBlock(volume, block, const_cast<uint8_t*>(buffer), true, error);
}

}  // namespace vandrel
