// Finding the logger through the mount table or a given path, block transfers and the
// connection handshake.
#include "device/device_volume.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "test_support.h"
#include "tools/sim/memory_block_device.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

TEST(ParseMountInfo, ReadsFieldsAroundOptionalOnesAndUndoesEscapes) {
    const std::string text =
        "36 35 98:0 /mnt1 /mnt/parent\\040dir rw,noatime master:1 shared:7 - ext3 /dev/root "
        "rw,errors=continue\n"
        "garbage line\n"
        "40 27 8:17 / /media/user/GPS\\134LOG rw,nosuid - vfat /dev/sdb1 rw,uid=1000\n";
    const std::vector<MountEntry> entries = parseMountInfo(text);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].mountPoint, "/mnt/parent dir");
    EXPECT_EQ(entries[0].root, "/mnt1");
    EXPECT_EQ(entries[0].fsType, "ext3");
    EXPECT_EQ(entries[0].source, "/dev/root");
    EXPECT_EQ(entries[1].mountPoint, "/media/user/GPS\\LOG");
    EXPECT_EQ(entries[1].root, "/");
    EXPECT_EQ(entries[1].source, "/dev/sdb1");
}

TEST(Handshake, AnswersTheChallengeModulo32Bits) {
    EXPECT_EQ(handshakeResponse(0), 0x4C87C8A0u);
    EXPECT_EQ(handshakeResponse(0xD2B495E6u), 0x1F3C5E86u);  // XOR gives all ones, then wraps
}

// Temporary mount points and volume images, listed in a mount table file of the test's own.
class VolumeSearch : public ::testing::Test {
  protected:
    void SetUp() override { volume_.setMountTable((dir_ / "mountinfo").string()); }

    // A mount point folder (with Id.txt when asked) and an image file as its source.
    std::string mount(const std::string& name, bool holdsId) {
        const fs::path folder = dir_ / name;
        fs::create_directories(folder);
        if (holdsId) {
            testing::writeFile(folder / "Id.txt", "logger");
        }
        testing::writeFile(dir_ / (name + ".img"), std::string(16 * 4096, '\0'));
        return fs::canonical(folder).string();
    }
    void writeTable(const std::vector<std::string>& lines) {
        std::string text;
        int id = 40;
        for (const std::string& line : lines) {
            text += std::to_string(id++) + " 27 8:17 " + line + "\n";
        }
        testing::writeFile(dir_ / "mountinfo", text);
    }
    std::string line(const std::string& name, const std::string& root = "/") {
        return root + " " + (fs::canonical(dir_.path()) / name).string() + " rw - vfat " +
               (fs::canonical(dir_.path()) / (name + ".img")).string() + " rw";
    }
    std::string image(const std::string& name) {
        return (fs::canonical(dir_.path()) / (name + ".img")).string();
    }

    testing::TempDir dir_;
    DeviceVolume volume_;
};

TEST_F(VolumeSearch, TakesTheFirstMountHoldingIdAndKeepsToIt) {
    mount("plain", false);
    mount("a", true);
    mount("b", true);
    writeTable({line("plain"), line("a"), line("b")});
    ASSERT_TRUE(volume_.FindDrive());
    EXPECT_EQ(volume_.volumePath(), image("a"));

    fs::remove(dir_ / "a" / "Id.txt");
    ASSERT_TRUE(volume_.FindDrive());
    EXPECT_EQ(volume_.volumePath(), image("b"));

    // a holds Id.txt again, but the logger found last is tried first.
    testing::writeFile(dir_ / "a" / "Id.txt", "logger");
    ASSERT_TRUE(volume_.FindDrive());
    EXPECT_EQ(volume_.volumePath(), image("b"));
}

TEST_F(VolumeSearch, NothingFoundIsNoErrorAndForgetsTheVolume) {
    mount("a", true);
    writeTable({line("a")});
    ASSERT_TRUE(volume_.FindDrive());
    fs::remove(dir_ / "a" / "Id.txt");
    EXPECT_FALSE(volume_.FindDrive());
    EXPECT_FALSE(volume_.Connect());
    EXPECT_TRUE(volume_.volumePath().empty());
    EXPECT_TRUE(volume_.lastError().empty());  // the caller's "Device unconnect !" says it all
    EXPECT_FALSE(volume_.OpenAt(0).valid());
}

TEST_F(VolumeSearch, SkipsBindMountsAndSourcesThatAreNoVolume) {
    mount("bound", true);
    mount("virtual", true);
    writeTable({line("bound", "/some/folder"),
                "/ " + (fs::canonical(dir_.path()) / "virtual").string() + " rw - tmpfs tmpfs rw"});
    EXPECT_FALSE(volume_.FindDrive());
}

TEST_F(VolumeSearch, GivenPathIsADeviceAnImageOrAMountPoint) {
    mount("a", true);
    mount("unlisted", true);
    mount("noid", false);
    writeTable({line("a"), line("noid")});

    volume_.setDevicePath(image("noid"));
    ASSERT_TRUE(volume_.FindDrive());
    EXPECT_EQ(volume_.volumePath(), image("noid"));

    volume_.setDevicePath((dir_ / "a").string());
    ASSERT_TRUE(volume_.FindDrive());
    EXPECT_EQ(volume_.volumePath(), image("a"));

    volume_.setDevicePath((dir_ / "unlisted").string());
    EXPECT_FALSE(volume_.FindDrive());
    EXPECT_NE(volume_.lastError().find("not the mount point"), std::string::npos);

    volume_.setDevicePath((dir_ / "noid").string());
    EXPECT_FALSE(volume_.FindDrive());
    EXPECT_NE(volume_.lastError().find("does not hold Id.txt"), std::string::npos);

    volume_.setDevicePath((dir_ / "missing").string());
    EXPECT_FALSE(volume_.Connect());
    EXPECT_NE(volume_.lastError().find("no such"), std::string::npos);
}

TEST_F(VolumeSearch, ConnectAnswersInTheImageFile) {
    std::string bytes(16 * 4096, '\0');
    for (size_t i = 0; i < 4096; ++i) {
        bytes[10 * 4096 + i] = static_cast<char>(i * 13 + 1);
    }
    bytes.replace(10 * 4096, 4, std::string("\x01\x02\x03\x04", 4));
    testing::writeFile(dir_ / "logger.img", bytes);
    volume_.setDevicePath((dir_ / "logger.img").string());
    ASSERT_TRUE(volume_.Connect()) << volume_.lastError();

    const std::string after = testing::readFile(dir_ / "logger.img");
    ASSERT_EQ(after.size(), bytes.size());
    EXPECT_EQ(after.substr(0, 11 * 4096), bytes.substr(0, 11 * 4096));  // block 10 as it was
    const uint32_t response = handshakeResponse(0x04030201u);
    const std::string expected(reinterpret_cast<const char*>(&response), 4);
    EXPECT_EQ(after.substr(11 * 4096, 4), expected);
    EXPECT_EQ(after.substr(11 * 4096 + 4, 4092), bytes.substr(10 * 4096 + 4, 4092));
    EXPECT_EQ(after.substr(12 * 4096), bytes.substr(12 * 4096));
}

// The volume in memory, failing where the test says.
class MemoryTransfers : public VolumeSearch {
  protected:
    void SetUp() override {
        VolumeSearch::SetUp();
        memory_->bytes.assign(16 * 4096, 0x5A);
        testing::writeFile(dir_ / "logger.img", "");
        volume_.setDevicePath((dir_ / "logger.img").string());
        volume_.setDeviceFactory(
            [this](const std::string&) { return sim::makeMemoryBlockDevice(memory_); });
        ASSERT_TRUE(volume_.FindDrive());
    }
    std::shared_ptr<sim::MemoryVolume> memory_ = std::make_shared<sim::MemoryVolume>();
};

TEST_F(MemoryTransfers, ConnectFailsWhenTheResponseCannotBeWritten) {
    memory_->failAtTransfer = 2;  // the read of block 10 works, the write of block 11 fails
    EXPECT_FALSE(volume_.Connect());
    EXPECT_EQ(memory_->transfers, 2);
    EXPECT_EQ(memory_->opens, 2);
    EXPECT_EQ(memory_->closes, 2);
    EXPECT_FALSE(volume_.lastError().empty());
}

TEST_F(MemoryTransfers, BlocksMoveOnlyAsAWhole) {
    std::vector<uint8_t> buffer(3 * 4096, 0);
    EXPECT_TRUE(volume_.ReadBlocks(13, buffer.data(), 3));
    EXPECT_FALSE(volume_.ReadBlocks(14, buffer.data(), 3));  // the volume ends after block 15
    std::fill(buffer.begin(), buffer.end(), 0);
    EXPECT_TRUE(volume_.WriteBlocks(0, buffer.data(), 2));
    EXPECT_EQ(memory_->bytes[2 * 4096 - 1], 0);
    EXPECT_EQ(memory_->bytes[2 * 4096], 0x5A);

    memory_->refuseOpen = true;
    EXPECT_FALSE(volume_.OpenAt(0).valid());
    EXPECT_NE(volume_.lastError().find("refused"), std::string::npos);
    EXPECT_EQ(memory_->opens, memory_->closes);
}

}  // namespace
}  // namespace vandrel
