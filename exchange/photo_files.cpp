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

constexpr int64_t kMillisecondsPerDay = 86'400'000;

int64_t stampValue(const SystemTime& t) {
    const int64_t day = daysFromCivil(t.year, t.month, t.day);
    return day * kMillisecondsPerDay + ((t.hour * 60 + t.minute) * 60 + t.second) * int64_t{1000} +
           t.milliseconds;
}

std::string stampText(int64_t value) {
    int64_t day = value / kMillisecondsPerDay;
    int64_t rest = value % kMillisecondsPerDay;
    if (rest < 0) {
        rest += kMillisecondsPerDay;
        --day;
    }
    int year = 0;
    int month = 0;
    int dayOfMonth = 0;
    civilFromDays(day, year, month, dayOfMonth);
    const auto ms = static_cast<int>(rest % 1000);
    const auto seconds = static_cast<int>(rest / 1000);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4d%.2d%.2d%.2d%.2d%.2d%.3d", year, month, dayOfMonth,
                  seconds / 3600, seconds / 60 % 60, seconds % 60, ms);
    return buffer;
}

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

SystemTime localTimeWithMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    ::localtime_r(&now.tv_sec, &local);
    SystemTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    t.milliseconds = static_cast<int>(now.tv_nsec / 1'000'000);
    return t;
}

std::string PhotoStamps::next() {
    int64_t value = stampValue(clock_());
    if (value <= last_) {
        value = last_ + 1;
    }
    last_ = value;
    return stampText(value);
}

CopyOutcome copyNewFile(const std::filesystem::path& source, const std::filesystem::path& target,
                        SourceLinks links, std::error_code* error) {
    // errno is taken before the clean-up below can change it.
    auto failed = [error](int code) {
        if (error != nullptr) {
            *error = std::error_code(code, std::generic_category());
        }
        return CopyOutcome::Failed;
    };
    const int noFollow = links == SourceLinks::Refuse ? O_NOFOLLOW : 0;
    const int from = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | noFollow);
    if (from < 0) {
        return failed(errno);
    }
    struct stat info {};
    if (::fstat(from, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(from);
        return failed(EINVAL);
    }
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

}  // namespace vandrel
