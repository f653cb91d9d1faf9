#pragma once
// A BlockDevice over bytes in memory, for tests: it can refuse to open and fail the N-th block
// transfer, so that every failure path of the device commands can be driven.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/block_device.h"

namespace vandrel::sim {

struct MemoryVolume {
    std::vector<uint8_t> bytes;
    bool refuseOpen = false;
    // Block transfers are counted across opens; the transfer with this number (1-based) fails,
    // and every later one too when failForever is set. 0: none fails.
    int failAtTransfer = 0;
    bool failForever = false;
    int transfers = 0;
    // The close with this number (1-based, counted across opens) reports a failed flush.
    int failFlushAtClose = 0;
    int opens = 0;
    int closes = 0;
};

// The device shares the volume so that a test can look at it after the device was closed.
std::unique_ptr<BlockDevice> makeMemoryBlockDevice(std::shared_ptr<MemoryVolume> volume);

}  // namespace vandrel::sim
