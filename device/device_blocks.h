#pragma once
// Single-block and consecutive-block transfers with the logger that say why they failed.

#include <cstdint>
#include <string>

namespace vandrel {

// One whole block through OpenAt and Release. False with `error` naming the block and the
// cause when the volume cannot be opened or the transfer is short.
bool readDeviceBlock(uint32_t block, uint8_t* buffer, std::string& error);
bool writeDeviceBlock(uint32_t block, const uint8_t* buffer, std::string& error);

}  // namespace vandrel
