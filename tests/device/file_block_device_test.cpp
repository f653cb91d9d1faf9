// Block access to volume image files and to a real block device (a loop device over an image,
// when the test runs as root), and the messages a user sees when the volume cannot be opened.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "device/block_device.h"
#include "device/device_volume.h"
#include "test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

std::string blockOf(char fill) {
    return std::string(4096, fill);
}

TEST(FileBlockDevice, MovesWholeBlocksAtAPosition) {
    testing::TempDir dir;
    const fs::path path = dir / "volume.img";
    testing::writeFile(path, blockOf('a') + blockOf('b') + blockOf('c'));
    auto device = openVolumePath(path.string());
    ASSERT_TRUE(device->open()) << device->error();
    std::array<uint8_t, 4096> block{};
    ASSERT_TRUE(device->seek(4096));
    ASSERT_TRUE(device->readBlock(block.data()));
    EXPECT_EQ(block[0], 'b');
    block.fill('z');
    ASSERT_TRUE(device->writeBlock(block.data()));  // advanced to the third block
    EXPECT_FALSE(device->readBlock(block.data()));  // the volume ends here
    EXPECT_NE(device->error().find("ends before"), std::string::npos) << device->error();
    ASSERT_TRUE(device->seek(2 * 4096 + 100));
    EXPECT_FALSE(device->readBlock(block.data()));  // a piece of a block is no block
    device->close();
    device->close();
    EXPECT_EQ(testing::readFile(path), blockOf('a') + blockOf('b') + blockOf('z'));
}

TEST(FileBlockDevice, ExplainsWhyItCannotOpen) {
    testing::TempDir dir;
    auto missing = openVolumePath((dir / "sdx").string());
    EXPECT_FALSE(missing->open());
    EXPECT_NE(missing->error().find("no such device"), std::string::npos) << missing->error();
    auto folder = openVolumePath(dir.path().string());
    EXPECT_FALSE(folder->open());
    EXPECT_NE(folder->error().find("neither a block device"), std::string::npos);
}

// The message for a device the user may not open names it and the fix. Root may open
// anything, so as root the check runs in a child that gives up root first.
TEST(FileBlockDevice, PermissionMessageNamesTheDeviceAndTheFix) {
    testing::TempDir dir;
    const fs::path path = dir / "sdz";
    testing::writeFile(path, blockOf('a'));
    ::chmod(path.c_str(), 0600);
    ::chmod(dir.path().c_str(), 0755);
    const auto check = [&path]() {
        auto device = openVolumePath(path.string());
        const bool refused = !device->open();
        const std::string message = device->error();
        return refused && message.find(path.string()) != std::string::npos &&
               message.find("group 'disk'") != std::string::npos &&
               message.find("udev rule") != std::string::npos;
    };
    if (::geteuid() != 0) {
        ::chmod(path.c_str(), 0);
        EXPECT_TRUE(check());
        return;
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(2);
        }
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) {
        GTEST_SKIP() << "running as root and cannot switch to the user nobody";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the permission message lacks the device or the fix";
}

// --- The logger's volume as a real block device --------------------------------------------

// Runs a shell command quietly; its first line of output when asked.
bool run(const std::string& command, std::string* output = nullptr) {
    std::FILE* pipe = ::popen(("(" + command + ") 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return false;
    }
    std::string text;
    std::array<char, 256> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
        text += buffer.data();
    }
    const int status = ::pclose(pipe);
    if (output != nullptr) {
        *output = text.substr(0, text.find('\n'));
    }
    return status == 0;
}

bool kernelMounts(const std::string& type) {
    std::ifstream in("/proc/filesystems");
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() >= type.size() && line.substr(line.size() - type.size()) == type &&
            (line.size() == type.size() || line[line.size() - type.size() - 1] == '\t')) {
            return true;
        }
    }
    return false;
}

// Makes an 8 MiB file system image whose bytes 0xA000 to 0xBFFF the file system never uses:
// FAT with 64 KiB of reserved sectors, or else ext2 whose blocks 2 to 15 are reserved for
// growing its group descriptor table. Empty with the reason when neither can be made here.
std::string makeImage(const fs::path& image, std::string& skipReason) {
    if (kernelMounts("vfat") && run("command -v mkfs.vfat")) {
        if (run("mkfs.vfat -C -R 128 " + image.string() + " 8192")) {
            return "vfat";
        }
    }
    if ((kernelMounts("ext2") || kernelMounts("ext4")) && run("command -v mke2fs")) {
        std::string reserved;
        if (run("truncate -s 8M " + image.string()) &&
            run("mke2fs -q -F -t ext2 -b 4096 -E resize=60000000 " + image.string()) &&
            run("dumpe2fs -h " + image.string() + " | sed -n 's/^Reserved GDT blocks: *//p'",
                &reserved) &&
            std::atoi(reserved.c_str()) >= 10) {
            return "ext2";
        }
    }
    skipReason =
        "no file system to put on a loop device: needs mkfs.vfat (dosfstools) with vfat in the "
        "kernel, or mke2fs and dumpe2fs (e2fsprogs) with ext2";
    return {};
}

// Undoes the mount and the loop device whatever the test's outcome.
struct LoopMount {
    std::string loop;
    fs::path mountPoint;
    bool mounted = false;
    ~LoopMount() { detach(); }
    void detach() {
        if (mounted) {
            run("umount " + mountPoint.string());
            mounted = false;
        }
        if (!loop.empty()) {
            run("losetup -d " + loop);
            loop.clear();
        }
    }
};

TEST(LoopDevice, ConnectFindsTheMountAndAnswersAtBlock11) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "attaching a loop device needs root";
    }
    if (!run("command -v losetup") || !run("command -v mount")) {
        GTEST_SKIP() << "losetup or mount (util-linux, mount) is missing";
    }
    testing::TempDir dir;
    const fs::path image = dir / "logger.img";
    std::string skipReason;
    if (makeImage(image, skipReason).empty()) {
        GTEST_SKIP() << skipReason;
    }
    std::string challenge(4096, '\0');
    for (size_t i = 0; i < challenge.size(); ++i) {
        challenge[i] = static_cast<char>(i * 31 + 7);
    }
    {
        std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(0xA000);
        file.write(challenge.data(), static_cast<std::streamsize>(challenge.size()));
    }

    LoopMount loop;
    if (!run("losetup -f --show " + image.string(), &loop.loop) || loop.loop.empty()) {
        GTEST_SKIP() << "losetup cannot attach a loop device here";
    }
    loop.mountPoint = dir / "mnt";
    fs::create_directories(loop.mountPoint);
    loop.mounted = run("mount " + loop.loop + " " + loop.mountPoint.string());
    if (!loop.mounted) {
        GTEST_SKIP() << "cannot mount " << loop.loop << " here";
    }
    testing::writeFile(loop.mountPoint / "Id.txt", "logger");

    DeviceVolume volume;
    EXPECT_TRUE(volume.Connect()) << volume.lastError();
    EXPECT_EQ(volume.volumePath(), loop.loop);
    volume.reset();
    loop.detach();

    const std::string after = testing::readFile(image);
    ASSERT_GE(after.size(), 0xC000u);
    EXPECT_EQ(after.substr(0xA000, 4096), challenge);
    uint32_t word = 0;
    std::memcpy(&word, challenge.data(), 4);
    word = handshakeResponse(word);
    EXPECT_EQ(after.substr(0xB000, 4), std::string(reinterpret_cast<const char*>(&word), 4));
    EXPECT_EQ(after.substr(0xB004, 4092), challenge.substr(4));
}

}  // namespace
}  // namespace vandrel
