#include "core/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string_view>
#include <vector>

namespace vandrel {
namespace {

// What follows the target's name in a temporary's name, before six random characters.
constexpr std::string_view kTempMark = ".vandrel-";
constexpr size_t kTempRandom = 6;

std::string errnoText() {
    return std::strerror(errno);
}

// The mode open(2) gives a new file: everyone may read and write, less the umask.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

bool isTemporaryName(std::string_view name) {
    const size_t tail = kTempMark.size() + kTempRandom;
    return name.size() > tail + 1 && name[0] == '.' &&
           name.substr(name.size() - tail, kTempMark.size()) == kTempMark;
}

// A name for the temporary beside the target that no file has yet; empty when none was found.
std::filesystem::path freeTemporaryName(const std::filesystem::path& folder,
                                        const std::string& name) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = "." + name + std::string(kTempMark);
        for (size_t i = 0; i < kTempRandom; ++i) {
            candidate += kLetters[pick(random)];
        }
        struct stat st {};
        if (::lstat((folder / candidate).c_str(), &st) != 0 && errno == ENOENT) {
            return folder / candidate;
        }
    }
    return {};
}

// Removes the named temporaries of earlier writers that were killed: a live writer holds the
// lock on its temporary, so only the ones nobody holds go.
void removeStaleTemporaries(const std::filesystem::path& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryName(entry->d_name)) {
            continue;
        }
        const std::filesystem::path path = folder / entry->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
        if (fd < 0) {
            continue;
        }
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlink(path.c_str());
        }
        ::close(fd);
    }
    ::closedir(dir);
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
        errorNumber_ = EINVAL;
        error = cannotWrite(target_, "not a file name");
        return false;
    }
    // In the target's folder: the rename stays within one file system.
    std::filesystem::path folder = target_.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
        unnamed_ = true;
        temp_ = "/proc/self/fd/" + std::to_string(fd_);
    } else if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
        if (!createNamed(folder, error)) {
            return false;
        }
    } else {
        errorNumber_ = errno;
        error = cannotWrite(target_, errnoText());
        return false;
    }
    created_ = true;
    if (!openStream) {
        return true;
    }
    const int streamFd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    stream_ = streamFd >= 0 ? ::fdopen(streamFd, "wb") : nullptr;
    if (stream_ == nullptr) {
        errorNumber_ = errno;
        error = cannotWrite(target_, errnoText());
        if (streamFd >= 0) {
            ::close(streamFd);
        }
        discard();
        return false;
    }
    return true;
}

bool AtomicFile::createNamed(const std::filesystem::path& folder, std::string& error) {
    removeStaleTemporaries(folder);
    const std::filesystem::path temporary = freeTemporaryName(folder, target_.filename().string());
    if (temporary.empty()) {
        errorNumber_ = EEXIST;
        error = cannotWrite(target_, "no free name for the temporary file");
        return false;
    }
    fd_ = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        errorNumber_ = errno;
        error = cannotWrite(target_, errnoText());
        return false;
    }
    // Held until the file is renamed or removed: it tells the temporary of a live writer.
    (void)::flock(fd_, LOCK_EX | LOCK_NB);
    temp_ = temporary;
    unnamed_ = false;
    return true;
}

bool AtomicFile::commit(std::string& error, Existing existing) {
    if (!created_) {
        errorNumber_ = EINVAL;
        error = cannotWrite(target_, "the file was not created");
        return false;
    }
    int code = 0;
    std::string reason;
    const auto failed = [&](int number, const char* why = nullptr) {
        code = number != 0 ? number : EIO;
        reason = why != nullptr ? why : std::strerror(code);
    };
    if (stream_ != nullptr) {
        errno = 0;
        if (std::fflush(stream_) != 0 || std::ferror(stream_) != 0) {
            failed(errno, errno != 0 ? nullptr : "write error");
        }
        if (std::fclose(stream_) != 0 && code == 0) {
            failed(errno);
        }
        stream_ = nullptr;
    }
    if (code == 0 && ::fsync(fd_) != 0) {
        failed(errno);
    }
    if (code == 0 && ::fchmod(fd_, newFileMode()) != 0) {
        failed(errno);
    }
    if (code == 0 && existing == Existing::Keep) {
        if (!placeNew()) {
            failed(errno);
        }
    } else if (code == 0) {
        if (unnamed_) {
            // The file gets a hidden name only now, for the one rename over the target.
            std::filesystem::path folder = target_.parent_path();
            const std::filesystem::path named =
                freeTemporaryName(folder.empty() ? "." : folder, target_.filename().string());
            if (named.empty()) {
                failed(EEXIST, "no free name for the temporary file");
            } else if (::linkat(AT_FDCWD, temp_.c_str(), AT_FDCWD, named.c_str(),
                                AT_SYMLINK_FOLLOW) != 0) {
                failed(errno);
            } else {
                temp_ = named;
                unnamed_ = false;
            }
        }
        if (code == 0 && std::rename(temp_.c_str(), target_.c_str()) != 0) {
            failed(errno);
        }
    }
    if (code != 0) {
        errorNumber_ = code;
        error = cannotWrite(target_, reason);
        discard();
        return false;
    }
    ::close(fd_);
    fd_ = -1;
    created_ = false;
    return true;
}

// The temporary takes the target's name only when no file has it: linking the unnamed file,
// or renaming the named one, fails with EEXIST then and leaves the file that is there.
bool AtomicFile::placeNew() {
    if (unnamed_) {
        return ::linkat(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0;
    }
    if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // A file system that cannot rename without replacing still refuses a second link to a
    // name that is taken; the temporary's own name goes once the file has the target's.
    if (::link(temp_.c_str(), target_.c_str()) != 0) {
        return false;
    }
    ::unlink(temp_.c_str());
    return true;
}

void AtomicFile::discard() noexcept {
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (created_ && !unnamed_) {
        ::unlink(temp_.c_str());
    }
    created_ = false;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

FILE* createFreshFile(const std::filesystem::path& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        return nullptr;
    }
    FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        const int code = errno;
        ::close(fd);
        ::unlink(path.c_str());
        errno = code;
    }
    return file;
}

}  // namespace vandrel
