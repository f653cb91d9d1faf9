#include "exchange/track_file_sources.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unzip.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include "core/utf8.h"

namespace vandrel {

const char* const kGpsbabelPackage = "gpsbabel";

namespace {

// A document larger than this is no track file anyone makes; a zip bomb or a runaway
// conversion stops here instead of filling the disk.
constexpr uint64_t kMostSpooledBytes = uint64_t{4} << 30;

SpooledDocument failed(std::string error) {
    return {nullptr, std::move(error)};
}

// Why the file an unpacked or converted document is kept in could not be made (the C
// library makes it in /tmp), and what to do.
std::string noTemporaryFile() {
    return std::string("no temporary file could be made in /tmp (") + std::strerror(errno) +
           "); make /tmp a writable folder";
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
        return failed(cannotRead(kmz, noTemporaryFile()));
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

// The child's side of spawn: only calls that are safe between fork and exec.
[[noreturn]] void runChild(char* const* argv, int output, int messages, pid_t parent, int report) {
    // A group of its own: a terminal's Ctrl+C reaches this program alone, which ends the child
    // itself; and the kernel kills the child whenever this program ends, however it ends (a
    // signal, a crash, SIGKILL), so that a hung conversion never outlives it.
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {  // it ended before the line above
        ::_exit(127);
    }
    const int input = ::open("/dev/null", O_RDONLY);
    if (input < 0 || ::dup2(input, STDIN_FILENO) < 0 || ::dup2(output, STDOUT_FILENO) < 0 ||
        ::dup2(messages, STDERR_FILENO) < 0) {
        ::_exit(127);
    }
    ::execvp(argv[0], argv);
    const int error = errno;
    [[maybe_unused]] const ssize_t written = ::write(report, &error, sizeof error);
    ::_exit(127);
}

// Starts the program with its output into `output` and its messages into `messages`; the
// error of a program that could not be started is told through a pipe closed by the exec.
Spawned spawn(const std::vector<std::string>& arguments, int output, int messages) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    Spawned spawned;
    std::array<int, 2> report{-1, -1};
    if (::pipe2(report.data(), O_CLOEXEC) != 0) {
        spawned.error = errno;
        return spawned;
    }
    const pid_t parent = ::getpid();
    spawned.pid = ::fork();
    if (spawned.pid == 0) {
        runChild(argv.data(), output, messages, parent, report[1]);
    }
    ::close(report[1]);
    if (spawned.pid < 0) {
        spawned.error = errno;
    } else {
        int error = 0;
        ssize_t got = 0;
        while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
        }
        if (got == sizeof error) {
            spawned.error = error;
            while (::waitpid(spawned.pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }
    ::close(report[0]);
    return spawned;
}

// Where the program is run from: itself when it names a path, else the first of its name in
// PATH, for messages.
std::string programPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (program.find('/') != std::string::npos || path == nullptr) {
        return program;
    }
    std::string_view folders = path;
    while (!folders.empty()) {
        const size_t end = std::min(folders.find(':'), folders.size());
        const std::string folder(folders.substr(0, end));
        const std::filesystem::path candidate =
            std::filesystem::path(folder.empty() ? "." : folder) / program;
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(candidate, ec))) {
            return candidate.string();
        }
        folders.remove_prefix(std::min(end + 1, folders.size()));
    }
    return program;
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
    if (out == nullptr || messages == nullptr) {
        return failed(cannotRead(file, noTemporaryFile()));
    }
    if (::pipe2(pipe.data(), O_CLOEXEC) != 0) {
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
        return failed("Cannot import " + file.string() + ": gpsbabel cannot be run from " +
                      programPath(program) + " (" + std::strerror(child.error) +
                      "); it must be an executable program: reinstall the package " +
                      kGpsbabelPackage + ", or remove what stands in its place");
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
        // Its words are passed on, but never its control characters: they would steer the
        // terminal.
        const std::string said = printableText(firstLine(messages.get()));
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
