#include "exchange/photo_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <vector>

#include "core/atomic_file.h"

namespace vandrel {
namespace {

bool writeAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool copyData(int from, int to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got == 0) {
            return true;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (!writeAll(to, buffer.data(), got)) {
            return false;
        }
    }
}

}  // namespace

std::string photoFileName(const std::string& photoPath) {
    const size_t slash = photoPath.find_last_of("/\\");
    return slash == std::string::npos ? photoPath : photoPath.substr(slash + 1);
}

bool isPlainFileName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name == "." || name == "..") {
        return false;
    }
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7f) {
            return false;
        }
    }
    return true;
}

std::string plainExtension(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return {};
    }
    const std::string_view extension = name.substr(dot + 1);
    if (extension.empty() || extension.size() > 16) {
        return {};
    }
    for (char c : extension) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
            return {};
        }
    }
    std::string withDot(".");
    withDot.append(extension);
    return withDot;
}

namespace {

// The descriptor when it is open on a plain file (a device or a pipe would stall the copy),
// else -1 (and closed).
int plainFileOnly(int fd, struct stat& info) {
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

// The copy is written to a temporary beside the target and only then given the target's
// name, so that a copy cut short (the program killed, the disk full) never shows under it.
CopyOutcome copyThroughTemporary(int from, const std::filesystem::path& target,
                                 AtomicFile::Existing existing, int& code) {
    AtomicFile file(target);
    std::string reason;
    if (!file.create(true, reason)) {
        code = file.errorNumber();
        return CopyOutcome::Failed;
    }
    // Nothing is buffered in the stream: the data goes to its descriptor directly.
    if (!copyData(from, ::fileno(file.stream()))) {
        code = errno != 0 ? errno : EIO;
        return CopyOutcome::Failed;
    }
    if (!file.commit(reason, existing)) {
        code = file.errorNumber();
        return existing == AtomicFile::Existing::Keep && code == EEXIST ? CopyOutcome::TargetExists
                                                                        : CopyOutcome::Failed;
    }
    return CopyOutcome::Copied;
}

// Copies from `from` (open on a plain file described by `info`; closed here) to target. With
// keepAny a file at target is kept whatever it is; otherwise only a plain file of the source's
// size is: saves made before copies went through a temporary may have left a piece of one.
CopyOutcome copyFrom(int from, const struct stat& info, const std::filesystem::path& target,
                     bool keepAny, std::error_code* error) {
    int code = from < 0 ? errno : 0;
    CopyOutcome outcome = CopyOutcome::Failed;
    if (from >= 0) {
        struct stat existing {};
        const bool taken = ::lstat(target.c_str(), &existing) == 0;
        const bool whole = S_ISREG(existing.st_mode) && existing.st_size == info.st_size;
        if (taken && (keepAny || whole)) {
            outcome = CopyOutcome::TargetExists;
        } else {
            outcome = copyThroughTemporary(
                from, target, keepAny ? AtomicFile::Existing::Keep : AtomicFile::Existing::Replace,
                code);
        }
        ::close(from);
    }
    if (outcome == CopyOutcome::Failed && error != nullptr) {
        *error = std::error_code(code, std::generic_category());
    }
    return outcome;
}

int openPlainFile(const std::filesystem::path& source, SourceLinks links, struct stat& info) {
    const int noFollow = links == SourceLinks::Refuse ? O_NOFOLLOW : 0;
    return plainFileOnly(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | noFollow),
                         info);
}

int openStoredPhoto(const std::filesystem::path& photosFolder, const std::string& pho,
                    struct stat& info) {
    const std::string name = photoFileName(pho);
    if (photosFolder.empty() || !isPlainFileName(name)) {
        errno = ENOENT;
        return -1;
    }
    const int folder =
        ::open(photosFolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) {
        return -1;
    }
    const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    ::close(folder);
    return plainFileOnly(fd, info);
}

}  // namespace

CopyOutcome copyNewFile(const std::filesystem::path& source, const std::filesystem::path& target,
                        SourceLinks links, std::error_code* error) {
    struct stat info {};
    return copyFrom(openPlainFile(source, links, info), info, target, true, error);
}

int openStoredPhoto(const std::filesystem::path& photosFolder, const std::string& pho) {
    struct stat info {};
    return openStoredPhoto(photosFolder, pho, info);
}

CopyOutcome copyStoredPhoto(const std::filesystem::path& photosFolder, const std::string& pho,
                            const std::filesystem::path& target) {
    struct stat info {};
    return copyFrom(openStoredPhoto(photosFolder, pho, info), info, target, false, nullptr);
}

std::string preparePhotosFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(folder, ec))) {
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            return "The folder " + folder.string() + " could not be made: " + ec.message();
        }
    }
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(folder, ec))) {
        return "The folder " + folder.string() +
               " cannot be used: it is a link to another place, or a file. Move it away so "
               "that the program can make its photos folder there.";
    }
    return {};
}

}  // namespace vandrel
