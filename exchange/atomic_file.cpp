#include "exchange/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace vandrel {
namespace {

std::string errnoText() {
    return std::strerror(errno);
}

// The mode open(2) gives a new file: everyone may read and write, less the umask.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

bool syncPath(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

std::string cannotWrite(const std::filesystem::path& path, const std::string& reason) {
    return "Cannot write " + path.string() + ": " + reason;
}

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {}

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::create(bool openStream, std::string& error) {
    const std::string name = target_.filename().string();
    if (name.empty() || name == "." || name == "..") {
        error = cannotWrite(target_, "not a file name");
        return false;
    }
    // A hidden name beside the target: the rename stays within one file system.
    const std::filesystem::path pattern = target_.parent_path() / ("." + name + ".XXXXXX");
    std::string text = pattern.string();
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) {
        error = cannotWrite(target_, errnoText());
        return false;
    }
    temp_ = buffer.data();
    created_ = true;
    if (!openStream) {
        ::close(fd);
        return true;
    }
    stream_ = ::fdopen(fd, "wb");
    if (stream_ == nullptr) {
        error = cannotWrite(target_, errnoText());
        ::close(fd);
        discard();
        return false;
    }
    return true;
}

bool AtomicFile::commit(std::string& error) {
    if (!created_) {
        error = cannotWrite(target_, "the file was not created");
        return false;
    }
    bool ok = true;
    std::string reason;
    if (stream_ != nullptr) {
        errno = 0;
        if (std::fflush(stream_) != 0 || std::ferror(stream_) != 0 ||
            ::fsync(::fileno(stream_)) != 0) {
            ok = false;
            reason = errno != 0 ? errnoText() : "write error";
        }
        if (std::fclose(stream_) != 0 && ok) {
            ok = false;
            reason = errnoText();
        }
        stream_ = nullptr;
    } else if (!syncPath(temp_)) {
        ok = false;
        reason = errnoText();
    }
    if (ok && ::chmod(temp_.c_str(), newFileMode()) != 0) {
        ok = false;
        reason = errnoText();
    }
    if (ok && std::rename(temp_.c_str(), target_.c_str()) != 0) {
        ok = false;
        reason = errnoText();
    }
    if (!ok) {
        error = cannotWrite(target_, reason);
        discard();
        return false;
    }
    created_ = false;
    return true;
}

void AtomicFile::discard() noexcept {
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (created_) {
        ::unlink(temp_.c_str());
        created_ = false;
    }
}

}  // namespace vandrel
