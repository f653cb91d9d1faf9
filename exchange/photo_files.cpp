#include "exchange/photo_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <vector>

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

// Copies from an open plain file to target, which must not exist yet; takes over `from`.
CopyOutcome copyFrom(int from, const std::filesystem::path& target, std::error_code* error) {
    // errno is taken before the clean-up below can change it.
    auto failed = [error](int code) {
        if (error != nullptr) {
            *error = std::error_code(code, std::generic_category());
        }
        return CopyOutcome::Failed;
    };
    // O_EXCL also refuses a link planted under the target's name.
    const int to = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (to < 0) {
        const int code = errno;
        ::close(from);
        return code == EEXIST ? CopyOutcome::TargetExists : failed(code);
    }
    int code = copyData(from, to) ? 0 : (errno != 0 ? errno : EIO);
    if (::close(to) != 0 && code == 0) {
        code = errno;
    }
    ::close(from);
    if (code != 0) {
        ::unlink(target.c_str());
        return failed(code);
    }
    return CopyOutcome::Copied;
}

// The descriptor when it is open on a plain file, else -1 (and closed).
int plainFileOnly(int fd) {
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

}  // namespace

CopyOutcome copyNewFile(const std::filesystem::path& source, const std::filesystem::path& target,
                        SourceLinks links, std::error_code* error) {
    const int noFollow = links == SourceLinks::Refuse ? O_NOFOLLOW : 0;
    const int from =
        plainFileOnly(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | noFollow));
    if (from < 0) {
        if (error != nullptr) {
            *error = std::error_code(errno, std::generic_category());
        }
        return CopyOutcome::Failed;
    }
    return copyFrom(from, target, error);
}

int openStoredPhoto(const std::filesystem::path& photosFolder, const std::string& pho) {
    const std::string name = photoFileName(pho);
    if (photosFolder.empty() || !isPlainFileName(name)) {
        return -1;
    }
    const int folder =
        ::open(photosFolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) {
        return -1;
    }
    const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    ::close(folder);
    return plainFileOnly(fd);
}

CopyOutcome copyStoredPhoto(const std::filesystem::path& photosFolder, const std::string& pho,
                            const std::filesystem::path& target) {
    const int from = openStoredPhoto(photosFolder, pho);
    return from < 0 ? CopyOutcome::Failed : copyFrom(from, target, nullptr);
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
