// The temporary of a file being written: a writer killed part-way leaves nothing in the folder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
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

}  // namespace
}  // namespace vandrel
