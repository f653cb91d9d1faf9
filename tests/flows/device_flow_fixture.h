#pragma once
// A logger in memory behind DeviceVolume for the device command flows: the volume can refuse
// to open from the N-th open on and fail the N-th block transfer, and the program folder is a
// temporary one.
//
// Transfers are counted across the whole command: Connect reads block 10 (transfer 1) and
// writes block 11 (transfer 2); the command's own transfers start at 3.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/program_path.h"
#include "device/device_volume.h"
#include "flows/session.h"
#include "scripted_prompt.h"
#include "test_support.h"
#include "tools/sim/logger_image.h"
#include "tools/sim/memory_block_device.h"

namespace vandrel::testing {

class DeviceFlow : public ::testing::Test {
  protected:
    void SetUp() override {
        volume_ = std::make_shared<sim::MemoryVolume>();
        volume_->bytes = image_.bytes();
        // The path exists so that the search accepts it; the blocks come from memory.
        writeFile(dir_ / "logger.img", "");
        session_.volume().setDevicePath((dir_ / "logger.img").string());
        session_.volume().setDeviceFactory([this](const std::string&) {
            ++devicesMade_;
            if (refuseFromOpen_ > 0 && devicesMade_ >= refuseFromOpen_) {
                volume_->refuseOpen = true;
            }
            return sim::makeMemoryBlockDevice(volume_);
        });
    }
    void TearDown() override {
        // Every open was paired with a close, whatever failed.
        EXPECT_EQ(volume_->opens, volume_->closes);
    }

    // The volume as the test left it, to compare the logger after a command with.
    void useImage(const sim::LoggerImage& image) { volume_->bytes = image.bytes(); }
    const uint8_t* block(uint32_t n) const { return volume_->bytes.data() + size_t{n} * 4096; }
    std::vector<uint8_t> blockCopy(uint32_t n) const {
        return std::vector<uint8_t>(block(n), block(n) + 4096);
    }
    // The volume without its handshake block 11, which every connected command writes.
    std::vector<uint8_t> withoutHandshake() const {
        std::vector<uint8_t> bytes = volume_->bytes;
        std::fill_n(bytes.begin() + 11 * 4096, 4096, uint8_t{0});
        return bytes;
    }
    void noLogger() { volume_->refuseOpen = true; }
    // The open with this number (1-based, counted from now) and all later ones are refused.
    // Connect opens twice.
    void refuseFromOpen(int n) { refuseFromOpen_ = devicesMade_ + n; }
    void failAtTransfer(int n) {
        volume_->transfers = 0;
        volume_->failAtTransfer = n;
    }
    // The close with this number (1-based, counted from now) reports a failed flush.
    void failFlushAtClose(int n) { volume_->failFlushAtClose = volume_->closes + n; }
    bool said(const std::string& text) const {
        return std::find(prompt_.said.begin(), prompt_.said.end(), text) != prompt_.said.end();
    }
    bool saidError() const {
        return std::any_of(prompt_.said.begin(), prompt_.said.end(),
                           [](const std::string& s) { return s.rfind("error: ", 0) == 0; });
    }

    TempDir dir_;
    Session session_{DataFolder(dir_.path())};
    sim::LoggerImage image_;
    std::shared_ptr<sim::MemoryVolume> volume_;
    ScriptedPrompt prompt_;
    int devicesMade_ = 0;
    int refuseFromOpen_ = 0;
};

}  // namespace vandrel::testing
