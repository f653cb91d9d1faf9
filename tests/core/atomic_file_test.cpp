// The temporary of a file being written: a writer killed part-way leaves nothing in the folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <filesystem>
#include <string>

#include "core/atomic_file.h"
#include "test_support.h"

namespace vandrel {
namespace {

TEST(AtomicFile, AKilledWriterLeavesNothingBehind) {
    testing::TempDir dir;
    for (bool stream : {true, false}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            AtomicFile file(dir / "track.kmz");
            std::string error;
            if (!file.create(stream, error)) {
                ::_exit(1);
            }
            if (stream) {
                std::fputs("part of a track", file.stream());
                std::fflush(file.stream());
            } else {
                testing::writeFile(file.tempPath(), "part of a track");
            }
            ::raise(SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer could not create its file";
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    }
}

// From here on this process (and its children) gets EOPNOTSUPP for unnamed files, as on a file
// system that cannot make them.
bool refuseUnnamedFiles() {
    constexpr unsigned kUnnamed = O_TMPFILE & ~O_DIRECTORY;
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, kUnnamed, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EOPNOTSUPP & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// A writer that creates its temporary and then waits, killed (or not) by the caller.
pid_t startWriter(const std::filesystem::path& target, bool die) {
    const pid_t child = ::fork();
    if (child == 0) {
        AtomicFile file(target);
        std::string error;
        if (!file.create(true, error)) {
            ::_exit(1);
        }
        std::fputs("part of a track", file.stream());
        std::fflush(file.stream());
        if (die) {
            ::raise(SIGKILL);
        }
        ::pause();
        ::_exit(0);
    }
    return child;
}

size_t entries(const std::filesystem::path& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) {
        ++n;
    }
    return n;
}

// Where unnamed files cannot be made, a killed writer leaves its hidden temporary; the next
// write into the folder removes it, but not the temporary of a writer still at work.
TEST(AtomicFile, WithoutUnnamedFilesTheNextWriteRemovesWhatKilledWritersLeft) {
    testing::TempDir dir;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!refuseUnnamedFiles()) {
            ::_exit(10);
        }
        // A writer at work, then one killed: two hidden temporaries.
        const pid_t working = startWriter(dir / "b.gpx", false);
        const int outcome = [&] {
            for (int waited = 0; entries(dir.path()) < 1; ++waited) {
                if (waited == 10000) {
                    return 16;
                }
                ::usleep(1000);
            }
            int status = 0;
            const pid_t killed = startWriter(dir / "a.gpx", true);
            if (::waitpid(killed, &status, 0) != killed || !WIFSIGNALED(status)) {
                return 11;
            }
            if (entries(dir.path()) != 2) {
                return 12;  // no temporaries left: the fallback was not the one taken
            }
            AtomicFile file(dir / "c.gpx");
            std::string error;
            if (!file.create(true, error) || std::fputs("a whole track", file.stream()) < 0 ||
                !file.commit(error)) {
                return 13;
            }
            // c.gpx and the working writer's temporary; the killed one's is gone.
            if (entries(dir.path()) != 2) {
                return 14;
            }
            return testing::readFile(dir / "c.gpx") == "a whole track" ? 0 : 15;
        }();
        ::kill(working, SIGKILL);
        ::waitpid(working, nullptr, 0);
        ::_exit(outcome);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "10 no filter, 11 writer not killed, 12 no temporary, "
           "13 write failed, 14 wrong leftovers, 15 wrong content, 16 no writer";
}

}  // namespace
}  // namespace vandrel
