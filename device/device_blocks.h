#pragma once
// Single-block and consecutive-block transfers with the logger that say why they failed.

#include <cstdint>
#include <string>

#include "device/device_volume.h"

namespace vandrel {

// One whole block through OpenAt and Release. False with `error` naming the block and the
// cause when the volume cannot be opened or the transfer is short.
bool readDeviceBlock(DeviceVolume& volume, uint32_t block, uint8_t* buffer, std::string& error);
bool writeDeviceBlock(DeviceVolume& volume, uint32_t block, const uint8_t* buffer,
                      std::string& error);

}  // namespace vandrel
