#include "exchange/track_file_sources.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unzip.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

extern char** environ;

namespace vandrel {

const char* const kGpsbabelPackage = "gpsbabel";

namespace {

// A document larger than this is no track file anyone makes; a zip bomb or a runaway
// conversion stops here instead of filling the disk.
constexpr uint64_t kMostSpooledBytes = uint64_t{4} << 30;

SpooledDocument failed(std::string error) {
    return {nullptr, std::move(error)};
}

struct ZipCloser {
    void operator()(void* zip) const { unzClose(zip); }
};

bool isKmlName(const char* name) {
    const size_t length = std::strlen(name);
    if (length < 4) {
        return false;
    }
    std::string extension(name + length - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".kml";
}

}  // namespace

SpooledDocument kmlOfKmz(const std::filesystem::path& kmz) {
    const std::unique_ptr<void, ZipCloser> zip(unzOpen64(kmz.c_str()));
    if (zip == nullptr) {
        return failed(cannotRead(kmz, "it is not a KMZ (zip) archive"));
    }
    // The loop stops at the entry found, before the step to the next one.
    bool found = false;
    for (int at = unzGoToFirstFile(zip.get()); at == UNZ_OK; at = unzGoToNextFile(zip.get())) {
        std::array<char, 512> name{};
        unz_file_info64 info{};
        found = unzGetCurrentFileInfo64(zip.get(), &info, name.data(), name.size() - 1, nullptr, 0,
                                        nullptr, 0) == UNZ_OK &&
                isKmlName(name.data());
        if (found) {
            break;
        }
    }
    if (!found) {
        return failed(cannotRead(kmz, "the KMZ holds no .kml document"));
    }
    if (unzOpenCurrentFile(zip.get()) != UNZ_OK) {
        return failed(cannotRead(kmz, "its .kml document cannot be unpacked"));
    }
    FileHandle out(std::tmpfile());
    if (out == nullptr) {
        return failed(cannotRead(kmz, std::strerror(errno)));
    }
    std::vector<char> chunk(64 * 1024);
    uint64_t total = 0;
    int count = 0;
    while ((count = unzReadCurrentFile(zip.get(), chunk.data(),
                                       static_cast<unsigned>(chunk.size()))) > 0) {
        total += static_cast<uint64_t>(count);
        if (total > kMostSpooledBytes || std::fwrite(chunk.data(), 1, static_cast<size_t>(count),
                                                     out.get()) != static_cast<size_t>(count)) {
            unzCloseCurrentFile(zip.get());
            return failed(cannotRead(kmz, "its .kml document is too large to unpack"));
        }
    }
    if (unzCloseCurrentFile(zip.get()) != UNZ_OK || count < 0) {
        return failed(cannotRead(kmz, "its .kml document is damaged"));
    }
    std::rewind(out.get());
    return {std::move(out), {}};
}

namespace {

struct Spawned {
    pid_t pid = -1;
    int error = 0;
};

// Starts the program with its output into `output` and its messages into `messages`.
Spawned spawn(const std::vector<std::string>& arguments, int output, int messages) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, messages, STDERR_FILENO);
    Spawned spawned;
    spawned.error = posix_spawnp(&spawned.pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned;
}

// The first line gpsbabel wrote to its messages.
std::string firstLine(std::FILE* messages) {
    std::rewind(messages);
    std::array<char, 512> line{};
    if (std::fgets(line.data(), static_cast<int>(line.size()), messages) == nullptr) {
        return {};
    }
    std::string text(line.data());
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
        text.pop_back();
    }
    return text;
}

}  // namespace

SpooledDocument gpxFromGpsbabel(const std::string& program, const std::string& format,
                                const std::filesystem::path& file) {
    FileHandle out(std::tmpfile());
    FileHandle messages(std::tmpfile());
    std::array<int, 2> pipe{-1, -1};
    if (out == nullptr || messages == nullptr || ::pipe2(pipe.data(), O_CLOEXEC) != 0) {
        return failed(cannotRead(file, std::strerror(errno)));
    }
    const Spawned child =
        spawn({program, "-i", format, "-f", file.string(), "-o", "gpx", "-F", "-"}, pipe[1],
              fileno(messages.get()));
    ::close(pipe[1]);
    if (child.error != 0) {
        ::close(pipe[0]);
        if (child.error == ENOENT) {
            return failed("Cannot import " + file.string() +
                          ": this format is read through gpsbabel, which is not installed "
                          "(install the package " +
                          kGpsbabelPackage + ")");
        }
        return failed("Cannot run " + program + ": " + std::strerror(child.error));
    }
    std::vector<char> chunk(64 * 1024);
    uint64_t total = 0;
    bool tooLarge = false;
    for (;;) {
        const ssize_t count = ::read(pipe[0], chunk.data(), chunk.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        total += static_cast<uint64_t>(count);
        // Past the bound the rest is read and dropped, so that gpsbabel can finish.
        tooLarge = tooLarge || total > kMostSpooledBytes;
        if (!tooLarge) {
            std::fwrite(chunk.data(), 1, static_cast<size_t>(count), out.get());
        }
    }
    ::close(pipe[0]);
    int status = 0;
    while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        const std::string said = firstLine(messages.get());
        return failed("gpsbabel could not read " + file.string() + " as " + format +
                      (said.empty() ? std::string() : ": " + said));
    }
    if (tooLarge || std::fflush(out.get()) != 0 || std::ferror(out.get()) != 0) {
        return failed(cannotRead(file, "gpsbabel's GPX could not be kept"));
    }
    std::rewind(out.get());
    return {std::move(out), {}};
}

std::string gpsbabelFormatOf(const std::filesystem::path& file) {
    static const std::array<std::pair<const char*, const char*>, 6> kFormats = {{
        {".igc", "igc"},
        {".nmea", "nmea"},
        {".nma", "nmea"},
        {".csv", "unicsv"},
        {".plt", "ozi"},
        {".loc", "geo"},
    }};
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const auto& [suffix, format] : kFormats) {
        if (extension == suffix) {
            return format;
        }
    }
    return {};
}

std::string gpsbabelFormatOfRoot(const std::string& root) {
    // Geocaching's waypoint files and OpenStreetMap data.
    if (root == "loc") {
        return "geo";
    }
    if (root == "osm") {
        return "osm";
    }
    return {};
}

}  // namespace vandrel
