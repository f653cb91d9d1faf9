// A volume in memory that behaves like a device which can refuse to open or fail a transfer.
//
// `opens` and `closes` count successful opens and the closes of open devices, so a test can
// check that every open was paired with a close. A refused open counts as neither.

#include "tools/sim/memory_block_device.h"

#include <cstring>

namespace vandrel::sim {
namespace {

class MemoryBlockDevice final : public BlockDevice {
  public:
    explicit MemoryBlockDevice(std::shared_ptr<MemoryVolume> volume) : volume_(std::move(volume)) {}
    ~MemoryBlockDevice() override { (void)close(); }
    MemoryBlockDevice(const MemoryBlockDevice&) = delete;
    MemoryBlockDevice& operator=(const MemoryBlockDevice&) = delete;

    bool open() override {
        close();
        error_.clear();
        if (volume_->refuseOpen) {
            error_ = name() + ": the device refused to open";
            return false;
        }
        open_ = true;
        position_ = 0;
        ++volume_->opens;
        return true;
    }

    bool seek(uint64_t offset) override {
        if (!open_) {
            error_ = name() + " is not open";
            return false;
        }
        position_ = offset;
        return true;
    }

    bool readBlock(uint8_t* block) override {
        if (!startTransfer()) {
            return false;
        }
        std::memcpy(block, volume_->bytes.data() + position_, kBlockSize);
        position_ += kBlockSize;
        return true;
    }

    bool writeBlock(const uint8_t* block) override {
        if (!startTransfer()) {
            return false;
        }
        std::memcpy(volume_->bytes.data() + position_, block, kBlockSize);
        position_ += kBlockSize;
        return true;
    }

    bool close() override {
        if (!open_) {
            return true;
        }
        open_ = false;
        ++volume_->closes;
        if (volume_->failFlushAtClose != 0 && volume_->closes == volume_->failFlushAtClose) {
            error_ = name() + ": the flush failed";
            return false;
        }
        return true;
    }

    std::string name() const override { return "memory volume"; }
    std::string error() const override { return error_; }

  private:
    // Counts the transfer and decides whether it fails, as the volume's settings ask.
    bool startTransfer() {
        if (!open_) {
            error_ = name() + " is not open";
            return false;
        }
        const int number = ++volume_->transfers;
        const int failAt = volume_->failAtTransfer;
        if (failAt > 0 && (number == failAt || (volume_->failForever && number > failAt))) {
            error_ = "simulated failure of block transfer " + std::to_string(number);
            return false;
        }
        if (position_ > volume_->bytes.size() || volume_->bytes.size() - position_ < kBlockSize) {
            error_ = name() + " ends before the block at byte " + std::to_string(position_);
            return false;
        }
        return true;
    }

    std::shared_ptr<MemoryVolume> volume_;
    bool open_ = false;
    uint64_t position_ = 0;
    std::string error_;
};

}  // namespace

std::unique_ptr<BlockDevice> makeMemoryBlockDevice(std::shared_ptr<MemoryVolume> volume) {
    return std::make_unique<MemoryBlockDevice>(std::move(volume));
}

}  // namespace vandrel::sim
