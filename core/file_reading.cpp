#include "core/file_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vandrel {
namespace {

// Why a file that opened is not one to read, or empty.
std::string notRegularReason(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) {
        return "it is a folder";
    }
    if (S_ISFIFO(st.st_mode)) {
        return "it is a FIFO, not a regular file";
    }
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
        return "it is a device, not a regular file";
    }
    if (!S_ISREG(st.st_mode)) {
        return "it is not a regular file";
    }
    return {};
}

// The open descriptor of a regular file, or -1 with the message. O_NONBLOCK keeps the open of
// a FIFO without a writer from waiting; a regular file reads the same either way.
int openChecked(const std::filesystem::path& path, std::string& error, bool& missing) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        missing = errno == ENOENT;
        error = cannotRead(path, std::strerror(errno));
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = cannotRead(path, std::strerror(errno));
        ::close(fd);
        return -1;
    }
    const std::string reason = notRegularReason(st);
    if (!reason.empty()) {
        error = cannotRead(path, reason);
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::string cannotRead(const std::filesystem::path& path, const std::string& reason) {
    return "Cannot read " + path.string() + ": " + reason;
}

FileRead readRegularFile(const std::filesystem::path& path, size_t limit) {
    FileRead result;
    const int fd = openChecked(path, result.error, result.missing);
    if (fd < 0) {
        return result;
    }
    struct stat st {};
    (void)::fstat(fd, &st);
    // The size is only a first guess: the file may grow or shrink while it is read.
    const auto sizeHint = static_cast<size_t>(st.st_size > 0 ? st.st_size : 0);
    result.bytes.reserve(std::min(sizeHint, limit) + 1);
    const size_t wanted = limit == kNoSizeLimit ? kNoSizeLimit : limit + 1;
    uint8_t chunk[65536];
    while (result.bytes.size() < wanted) {
        const size_t room = std::min(sizeof chunk, wanted - result.bytes.size());
        const ssize_t n = ::read(fd, chunk, room);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            result.error = cannotRead(path, std::strerror(errno));
            result.bytes.clear();
            ::close(fd);
            return result;
        }
        if (n == 0) {
            break;
        }
        result.bytes.insert(result.bytes.end(), chunk, chunk + n);
    }
    ::close(fd);
    if (result.bytes.size() > limit) {
        result.longer = true;
        result.bytes.resize(limit);
    }
    result.ok = true;
    return result;
}

FileHandle openRegularFile(const std::filesystem::path& path, std::string& error) {
    bool missing = false;
    const int fd = openChecked(path, error, missing);
    if (fd < 0) {
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1) {
        (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    FileHandle file(::fdopen(fd, "rb"));
    if (file == nullptr) {
        error = cannotRead(path, std::strerror(errno));
        ::close(fd);
    }
    return file;
}

}  // namespace vandrel
