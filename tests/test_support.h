#pragma once
// Shared test fixtures: a temporary folder that is removed afterwards, the paths of the built
// programs and of the test data (tests/data), and the rule for a missing test tool.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vandrel::testing {

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vandrel-test-XXXXXX");
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        path_ = ::mkdtemp(buffer.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

inline std::filesystem::path testData(const std::string& name) {
    return std::filesystem::path(VANDREL_TEST_DATA) / name;
}

// On (VANDREL_REQUIRE_TEST_TOOLS, set for continuous integration) every test has to run, so a
// test whose tool is missing fails; off, it skips and says which tool it lacks.
inline constexpr bool kTestToolsRequired = VANDREL_REQUIRE_TEST_TOOLS != 0;

#define VANDREL_SKIP_UNLESS(available, what)                                 \
    do {                                                                     \
        if (!(available)) {                                                  \
            if (::vandrel::testing::kTestToolsRequired) {                    \
                FAIL() << what << " is missing, and this build requires it"; \
            } else {                                                         \
                GTEST_SKIP() << what << " is missing; this test is skipped"; \
            }                                                                \
        }                                                                    \
    } while (false)

inline std::filesystem::path builtProgram(const std::string& name) {
    return std::filesystem::path(VANDREL_BIN_DIR) / name;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// While it lives, the files this process writes hold at most `bytes`: a longer write fails
// (EFBIG), as on a full disk, rather than raising SIGXFSZ.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) : action_(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        const rlimit limit{bytes, old_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, action_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    void (*action_)(int);
    rlimit old_{};
};

// What a built program printed and how it ended.
struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a built program with arguments (shell words, quoted by the caller) as a user would, with
// no standard input; its output is caught in files of the scratch folder. With a limit, a
// program still running after that many seconds is killed (exit code 124 or 137), so that a
// test of a program that would hang fails instead of hanging.
inline ProcessResult runProgram(const std::string& program, const std::string& arguments,
                                const std::filesystem::path& scratch, int limitSeconds = 0) {
    const std::filesystem::path out = scratch / "program-out.txt";
    const std::filesystem::path err = scratch / "program-err.txt";
    const std::string path = builtProgram(program).string();
    const std::string limit =
        limitSeconds > 0 ? "timeout -k 5 " + std::to_string(limitSeconds) + " " : "";
    const std::string command = limit + "'" + path + "' " + arguments + " >'" + out.string() +
                                "' 2>'" + err.string() + "' </dev/null";
    const int status = std::system(command.c_str());
    ProcessResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(out);
    result.err = readFile(err);
    return result;
}

}  // namespace vandrel::testing
