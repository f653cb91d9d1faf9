// Block access to a raw Linux block device or to a volume image file.
//
// The logger changes its memory behind the kernel's back (the handshake answer, the log), so a
// raw device is opened with O_DIRECT: every read goes to the device and never comes from the
// page cache. Direct I/O needs a buffer aligned to the logical block size; one aligned
// 4096-byte bounce buffer serves every transfer, so callers may pass any buffer.
//
// The exclusive lock stands in for the volume lock of other platforms and, as there, its
// failure does not stop the access. The flush at close (fsync of what this access wrote, then
// BLKFLSBUF to drop the kernel's buffers of the device) stands in for the dismount: whatever the
// kernel had cached of the volume is read again afterwards. An access that only read has
// nothing to flush; its fsync would still wait for the device's write cache (and, on an image
// file, for the file system's journal), and a download makes four such accesses.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "device/block_device.h"

namespace vandrel {
namespace {

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};

// The reason of an errno, worded for a user who may have to fix it.
std::string describeOpenError(const std::string& path, int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            // The rule lets the logged-in user at the logger alone; the group opens every disk.
            return "No permission to open " + path +
                   " for reading and writing. Install the udev rule for the logger "
                   "(/usr/share/doc/vandrel/examples/70-vandrel-logger.rules: fill in the "
                   "vendor and product id that 'udevadm info --attribute-walk --name=" +
                   path +
                   "' shows, copy it to /etc/udev/rules.d/), or add your user to the group "
                   "'disk' and log in again; then plug the logger in again.";
        case ENOENT:
            return path + ": no such device";
        case ENXIO:
        case ENODEV:
        case ENOMEDIUM:
            return path + ": the device is gone (was the logger unplugged?)";
        case EBUSY:
            return path + " is in use by another program";
        case EROFS:
            return path + " is read-only";
        default:
            return "Cannot open " + path + ": " + std::strerror(error);
    }
}

class FileBlockDevice final : public BlockDevice {
  public:
    explicit FileBlockDevice(std::string path) : path_(std::move(path)) {}
    ~FileBlockDevice() override { (void)close(); }
    FileBlockDevice(const FileBlockDevice&) = delete;
    FileBlockDevice& operator=(const FileBlockDevice&) = delete;

    bool open() override;
    bool seek(uint64_t offset) override;
    bool readBlock(uint8_t* block) override;
    bool writeBlock(const uint8_t* block) override;
    bool close() override;

    std::string name() const override { return path_; }
    std::string error() const override { return error_; }

  private:
    bool fail(std::string message) {
        error_ = std::move(message);
        return false;
    }
    bool failErrno(const char* what, int error) {
        return fail(std::string(what) + " " + path_ + " failed: " + std::strerror(error));
    }
    uint8_t* transferBuffer() { return bounce_.get(); }

    std::string path_;
    std::string error_;
    int fd_ = -1;
    bool rawDevice_ = false;
    bool written_ = false;  // a write was tried since open
    std::unique_ptr<uint8_t, FreeDeleter> bounce_;
};

bool FileBlockDevice::open() {
    close();
    error_.clear();
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) {
        return fail(describeOpenError(path_, errno));
    }
    if (S_ISBLK(st.st_mode)) {
        rawDevice_ = true;
    } else if (S_ISREG(st.st_mode)) {
        rawDevice_ = false;
    } else {
        return fail(path_ + " is neither a block device nor a volume image");
    }
    const int flags = O_RDWR | O_CLOEXEC | (rawDevice_ ? O_DIRECT : 0);
    fd_ = ::open(path_.c_str(), flags);
    if (fd_ < 0) {
        return fail(describeOpenError(path_, errno));
    }
    if (rawDevice_) {
        void* memory = nullptr;
        if (::posix_memalign(&memory, kBlockSize, kBlockSize) != 0) {
            ::close(fd_);
            fd_ = -1;
            return fail("Out of memory for the transfer buffer of " + path_);
        }
        bounce_.reset(static_cast<uint8_t*>(memory));
    }
    // Another program holding the lock only costs us the exclusivity, as it always did.
    (void)::flock(fd_, LOCK_EX | LOCK_NB);
    return true;
}

bool FileBlockDevice::seek(uint64_t offset) {
    if (fd_ < 0) {
        return fail(path_ + " is not open");
    }
    if (rawDevice_ && offset % 512 != 0) {
        return fail("Position " + std::to_string(offset) + " of " + path_ +
                    " is not sector aligned");
    }
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(-1)) {
        return failErrno("Positioning", errno);
    }
    return true;
}

bool FileBlockDevice::readBlock(uint8_t* block) {
    if (fd_ < 0) {
        return fail(path_ + " is not open");
    }
    uint8_t* target = rawDevice_ ? transferBuffer() : block;
    size_t done = 0;
    while (done < kBlockSize) {
        const ssize_t n = ::read(fd_, target + done, kBlockSize - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return failErrno("Reading", errno);
        }
        if (n == 0) {
            return fail("Reading " + path_ + " failed: the volume ends before the block");
        }
        done += static_cast<size_t>(n);
    }
    if (rawDevice_) {
        std::memcpy(block, target, kBlockSize);
    }
    return true;
}

bool FileBlockDevice::writeBlock(const uint8_t* block) {
    if (fd_ < 0) {
        return fail(path_ + " is not open");
    }
    written_ = true;
    const uint8_t* source = block;
    if (rawDevice_) {
        std::memcpy(transferBuffer(), block, kBlockSize);
        source = transferBuffer();
    }
    size_t done = 0;
    while (done < kBlockSize) {
        const ssize_t n = ::write(fd_, source + done, kBlockSize - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return failErrno("Writing", errno);
        }
        if (n == 0) {
            return fail("Writing " + path_ + " failed: no room for the block");
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool FileBlockDevice::close() {
    if (fd_ < 0) {
        return true;
    }
    bool ok = true;
    if (written_ && ::fsync(fd_) != 0) {
        ok = failErrno("Flushing", errno);
    }
    written_ = false;
    if (rawDevice_) {
        // Needs CAP_SYS_ADMIN; without it the direct I/O above already bypassed the cache.
        (void)::ioctl(fd_, BLKFLSBUF, 0);
    }
    (void)::flock(fd_, LOCK_UN);
    if (::close(fd_) != 0 && ok) {
        ok = failErrno("Closing", errno);
    }
    fd_ = -1;
    bounce_.reset();
    return ok;
}

}  // namespace

std::unique_ptr<BlockDevice> openVolumePath(const std::string& path) {
    return std::make_unique<FileBlockDevice>(path);
}

}  // namespace vandrel
