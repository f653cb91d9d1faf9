// vandrel-cli given files that are not what they seem: folders, FIFOs, devices, files of the
// program itself. Every run has a time limit, so a command that would block fails the test
// instead of hanging it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using testing::ProcessResult;
using testing::TempDir;

constexpr int kLimitSeconds = 60;

class CliHostileFiles : public ::testing::Test {
  protected:
    ProcessResult run(const std::string& program, const std::string& arguments) {
        return testing::runProgram(program, arguments, dir_.path(), kLimitSeconds);
    }
    ProcessResult cli(const std::string& arguments) {
        return run("vandrel-cli", "--data-dir '" + program().string() + "' --device '" + image() +
                                      "' " + arguments);
    }
    void createImage(const std::string& options) {
        ASSERT_EQ(run("vandrel-sim", "create '" + image() + "' --seed 3 " + options).exitCode, 0);
    }
    fs::path program() const { return dir_ / "program"; }
    std::string image() const { return (dir_ / "logger.img").string(); }

    TempDir dir_;
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The settings file is read by every command before anything else.
TEST_F(CliHostileFiles, UnreadableSettingsFileIsToldAndTheDefaultsServe) {
    createImage("--tracks 2 --points 30");
    const fs::path settings = program() / "settings.xml";
    fs::create_directories(settings);
    for (const char* command : {"settings show", "tracks", "download"}) {
        const ProcessResult r = cli(command);
        EXPECT_EQ(r.exitCode, 0) << command << ": " << r.err;
        EXPECT_TRUE(contains(r.err, "Cannot read " + settings.string() + ": it is a folder"))
            << command << ": " << r.err;
    }
    EXPECT_TRUE(contains(cli("settings show").out, "Length=0\nTemperature=1\nLogInterval=3\n"));
    EXPECT_TRUE(contains(cli("tracks").out, "\n"));
}

}  // namespace
}  // namespace vandrel
