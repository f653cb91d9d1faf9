#pragma once
// Reading the files the program is given or keeps. Every such file is opened without blocking
// and checked to be a regular file before a byte is read: a FIFO would block the open or the
// read for ever, and a device such as /dev/zero would never end. Reads are bounded by what the
// kind of file can hold, and nothing here throws: a failure comes back as a message of the one
// form "Cannot read PATH: reason".

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace vandrel {

// No bound on the size: the file is read to its end (it is still refused unless regular).
inline constexpr size_t kNoSizeLimit = std::numeric_limits<size_t>::max();

struct FileRead {
    bool ok = false;
    bool missing = false;  // the file does not exist (error is set as well)
    bool longer = false;   // the file holds more than the limit; bytes has the first `limit`
    std::vector<uint8_t> bytes;
    std::string error;  // "Cannot read PATH: reason" when !ok
};

// Reads at most `limit` bytes of a regular file; `longer` tells whether more follow.
FileRead readRegularFile(const std::filesystem::path& path, size_t limit);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file for streamed reading ("rb"), with the checks above; null and the
// message in `error` when it is not one or cannot be opened.
FileHandle openRegularFile(const std::filesystem::path& path, std::string& error);

// "Cannot read PATH: reason".
std::string cannotRead(const std::filesystem::path& path, const std::string& reason);

}  // namespace vandrel
