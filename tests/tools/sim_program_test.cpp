// The built vandrel-sim program, run as a user runs it.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "test_support.h"
#include "tools/sim/logger_image.h"

namespace vandrel::sim {
namespace {

using ProgramRun = testing::ProcessResult;

ProgramRun runSim(const testing::TempDir& dir, const std::string& arguments) {
    return testing::runProgram("vandrel-sim", arguments, dir.path());
}

TEST(SimProgram, CreateThenInspect) {
    testing::TempDir dir;
    const std::string image = (dir / "logger.img").string();
    ProgramRun run = runSim(dir, "create '" + image +
                                     "' --tracks 3 --points 120 --start 2026-06-01T08:00:00 "
                                     "--interval 10 --tz-offset 120 --seed 4");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(std::filesystem::file_size(image), 1024u * 4096);

    run = runSim(dir, "inspect '" + image + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("handshake: none\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("settings TimeZone offset east: 120 min\n"), std::string::npos);
    EXPECT_NE(run.out.find("settings LogInterval: 10 s\n"), std::string::npos);
    EXPECT_NE(run.out.find("log present: 1\n"), std::string::npos);
    // The start is local time at +02:00, so the first fix is at 06:00 UTC.
    EXPECT_NE(run.out.find("run 3: key 3 chunks 6-8 count 3 sequence 6-8 records 120 first "
                           "2026-06-03T06:00:00Z last 2026-06-03T06:19:50Z\n"),
              std::string::npos)
        << run.out;

    // After the program's handshake the inspector sees the right response.
    std::string error;
    auto loaded = LoggerImage::load(image, error);
    ASSERT_TRUE(loaded) << error;
    answerHandshake(*loaded);
    ASSERT_TRUE(loaded->save(image, error)) << error;
    run = runSim(dir, "inspect '" + image + "'");
    EXPECT_NE(run.out.find("handshake: ok\n"), std::string::npos) << run.out;
}

TEST(SimProgram, FullLogNoLogAndCut) {
    testing::TempDir dir;
    const std::string image = (dir / "logger.img").string();
    ProgramRun run = runSim(dir, "create '" + image + "' --full --tracks 7");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = runSim(dir, "inspect '" + image + "'");
    EXPECT_NE(run.out.find("log chunks: 998 used, 0 erased\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("log runs: 7\n"), std::string::npos) << run.out;

    run = runSim(dir, "create '" + image + "' --tracks 3 --points 20000");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("warning: the log is full: track 3 cut after 9900 of 20000"),
              std::string::npos)
        << run.err;

    run = runSim(dir, "create '" + image + "' --no-log");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = runSim(dir, "inspect '" + image + "'");
    EXPECT_NE(run.out.find("log present: 0\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("log runs: 0\n"), std::string::npos) << run.out;
}

TEST(SimProgram, GpxFilesBecomeTracks) {
    testing::TempDir dir;
    const std::string image = (dir / "logger.img").string();
    ProgramRun run = runSim(dir, "create '" + image + "' --gpx '" +
                                     testing::testData("tracks/atemp.gpx").string() + "' --gpx '" +
                                     testing::testData("tracks/blue-hills.gpx").string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = runSim(dir, "inspect '" + image + "'");
    EXPECT_NE(run.out.find("run 1: key 1 chunks 0-48 count 49 sequence 0-48 records 2429 first "
                           "2023-02-05T06:41:48Z"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("log runs: 4\n"), std::string::npos) << run.out;
}

TEST(SimProgram, ErrorsExitWithOneAndAReason) {
    testing::TempDir dir;
    const std::string image = (dir / "logger.img").string();
    const char* bad[] = {
        "",
        "create",
        "frobnicate x",
        "create x --gpx a.gpx --tracks 3",
        "create x --no-log --full",
        "create x --interval 0",
        "create x --start 2026-02-30T08:00:00",
        "create x --full --tracks 999",
        "create x --gpx does-not-exist.gpx",
        "create x --start 2105-12-31T00:00:00 --tracks 400",
        "inspect does-not-exist.img",
    };
    for (std::string arguments : bad) {
        // "x" stands for an image in the test's folder, which no failed create may leave.
        if (const size_t at = arguments.find(" x"); at != std::string::npos) {
            arguments.replace(at, 2, " '" + image + "'");
        }
        const ProgramRun run = runSim(dir, arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments;
        EXPECT_FALSE(run.err.empty()) << arguments;
    }
    testing::writeFile(dir / "small.img", "not a volume");
    EXPECT_EQ(runSim(dir, "inspect '" + (dir / "small.img").string() + "'").exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(image));
}

}  // namespace
}  // namespace vandrel::sim
