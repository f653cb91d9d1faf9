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

// Puts something that is not a regular file at `path`; the reason vandrel-cli gives for it.
enum class Hostile { Folder, Fifo, EndlessDevice };

std::string makeHostile(Hostile kind, const fs::path& path) {
    switch (kind) {
        case Hostile::Folder:
            fs::create_directories(path);
            return "it is a folder";
        case Hostile::Fifo:
            EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
            return "it is a FIFO, not a regular file";
        case Hostile::EndlessDevice:
            fs::create_symlink("/dev/zero", path);
            return "it is a device, not a regular file";
    }
    return {};
}

// The settings file is read by every command before anything else: one that cannot be read
// (or would block, or never end) is told, and the command goes on with the default settings.
TEST_F(CliHostileFiles, UnreadableSettingsFileIsToldAndTheDefaultsServe) {
    createImage("--tracks 2 --points 30");
    const fs::path settings = program() / "settings.xml";
    for (Hostile kind : {Hostile::Folder, Hostile::Fifo, Hostile::EndlessDevice}) {
        fs::remove_all(program());
        fs::create_directories(program());
        const std::string reason = makeHostile(kind, settings);
        for (const char* command : {"settings show", "tracks", "download"}) {
            const ProcessResult r = cli(command);
            EXPECT_EQ(r.exitCode, 0) << command << ": " << r.err;
            EXPECT_TRUE(contains(r.err, "Cannot read " + settings.string() + ": " + reason))
                << command << ": " << r.err;
        }
        EXPECT_TRUE(contains(cli("settings show").out, "Length=0\nTemperature=1\nLogInterval=3\n"));
    }
}

// Files the user names (firmware image, .poi file, archive) and the program's erase image are
// refused unless regular files, with the reason.
TEST_F(CliHostileFiles, InputsThatAreNotRegularFilesAreRefused) {
    createImage("--tracks 1 --points 10");
    fs::create_directories(program());
    for (Hostile kind : {Hostile::Fifo, Hostile::EndlessDevice}) {
        const fs::path given = dir_ / "given";
        fs::remove(given);
        const std::string reason = makeHostile(kind, given);
        const std::string told = "Cannot read " + given.string() + ": " + reason;
        for (const std::string& command :
             {"firmware '" + given.string() + "'", "poi upload '" + given.string() + "' --yes",
              "poi show '" + given.string() + "'", "archive load '" + given.string() + "'"}) {
            const ProcessResult r = cli(command);
            EXPECT_EQ(r.exitCode, 1) << command << ": " << r.err;
            EXPECT_TRUE(contains(r.err, told)) << command << ": " << r.err;
        }
        const fs::path erase = program() / "erase.bin";
        fs::remove(erase);
        makeHostile(kind, erase);
        const ProcessResult r = cli("erase --yes");
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_TRUE(contains(r.err, "Cannot read " + erase.string() + ": " + reason)) << r.err;
    }
}

}  // namespace
}  // namespace vandrel
