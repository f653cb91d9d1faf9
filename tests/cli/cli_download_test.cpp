// Runs the built vandrel-sim and vandrel-cli as a user would: make a logger image, download
// it, list what was stored.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "test_support.h"

namespace vandrel {
namespace {

using testing::TempDir;

using testing::ProcessResult;

class CliDownload : public ::testing::Test {
  protected:
    ProcessResult run(const std::string& program, const std::string& arguments) {
        return testing::runProgram(program, arguments, dir_.path());
    }
    ProcessResult cli(const std::string& arguments) {
        return run("vandrel-cli", "--data-dir " + (dir_ / "program").string() + " " + arguments);
    }
    std::string image() const { return (dir_ / "logger.img").string(); }

    static int lineCount(const std::string& text) {
        int n = 0;
        for (char c : text) {
            n += c == '\n';
        }
        return n;
    }

    TempDir dir_;
};

TEST_F(CliDownload, GeneratedTracksAreDownloadedOnceAndListed) {
    ASSERT_EQ(run("vandrel-sim",
                  "create " + image() + " --tracks 4 --points 300 --start 2026-05-01T06:00:00")
                  .exitCode,
              0);
    ProcessResult first = cli("--device " + image() + " download");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.err.find("Download Complete!\n"), std::string::npos) << first.err;
    EXPECT_NE(first.err.find("4 tracks stored, 0 tracks skipped as already stored, 1200 points"),
              std::string::npos)
        << first.err;
    EXPECT_NE(run("vandrel-sim", "inspect " + image()).out.find("handshake: ok"),
              std::string::npos);

    ProcessResult second = cli("--device " + image() + " download");
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_NE(second.err.find("0 tracks stored, 4 tracks skipped"), std::string::npos);

    ProcessResult all = cli("tracks");
    ASSERT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(lineCount(all.out), 4) << all.out;
    EXPECT_TRUE(std::regex_search(all.out, std::regex("2026-05-01 06:00:00 .*points:300")))
        << all.out;

    ProcessResult day = cli("tracks --day 2026-05-03");
    ASSERT_EQ(day.exitCode, 0);
    EXPECT_EQ(lineCount(day.out), 1) << day.out;
    EXPECT_NE(day.out.find("2026-05-03"), std::string::npos);
    EXPECT_EQ(cli("tracks --day 2026-13-45").exitCode, 1);
}

TEST_F(CliDownload, MissingLoggerAndEmptyLogHaveTheirOwnExitCodes) {
    ProcessResult missing = cli("--device " + (dir_ / "nothing.img").string() + " download");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err.rfind("Device unconnect !\n", 0), 0u) << missing.err;

    ASSERT_EQ(run("vandrel-sim", "create " + image() + " --no-log").exitCode, 0);
    ProcessResult empty = cli("--device " + image() + " download");
    EXPECT_EQ(empty.exitCode, 3);
    EXPECT_EQ(empty.err, "No log records!\n");
}

TEST_F(CliDownload, ALoggerCutShortStoresNothing) {
    ASSERT_EQ(run("vandrel-sim", "create " + image() + " --tracks 2 --points 100").exitCode, 0);
    // The volume ends inside the log data: the copy must fail instead of decoding garbage.
    ASSERT_EQ(::truncate(image().c_str(), 700 * 4096), 0);
    ProcessResult cut = cli("--device " + image() + " download");
    EXPECT_EQ(cut.exitCode, 1) << cut.err;
    EXPECT_EQ(cut.err.find("Download Complete!"), std::string::npos);
    EXPECT_EQ(cli("tracks").out, "");
}

TEST_F(CliDownload, RealRecordingsSurviveTheRoundTrip) {
    // A long track over months, then three trk whose times go backwards.
    ASSERT_EQ(run("vandrel-sim", "create " + image() + " --gpx " +
                                     testing::testData("tracks/dg100.gpx").string() + " --gpx " +
                                     testing::testData("tracks/blue-hills.gpx").string())
                  .exitCode,
              0);
    ProcessResult download = cli("--device " + image() + " download");
    ASSERT_EQ(download.exitCode, 0) << download.err;
    ProcessResult list = cli("tracks");
    EXPECT_EQ(lineCount(list.out), 4) << list.out;
    // Of the 12,027 fixes, one that jumps 135 m in a second is dropped.
    EXPECT_TRUE(std::regex_search(
        list.out, std::regex("2020-02-14 18:04:30  2020-05-08 15:34:22 .*points:12026\\n")))
        << list.out;
    for (const char* points : {"points:309\n", "points:498\n", "points:436\n"}) {
        EXPECT_NE(list.out.find(points), std::string::npos) << points << list.out;
    }
}

}  // namespace
}  // namespace vandrel
