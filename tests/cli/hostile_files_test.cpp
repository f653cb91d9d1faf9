// vandrel-cli given files that are not what they seem: folders, FIFOs, devices, files of the
// program itself. Every run has a time limit, so a command that would block fails the test
// instead of hanging it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <filesystem>
#include <string>

#include "device/settings_file.h"
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
// (or would block, or never end) is told, and the command goes on with the default settings
// (or the logger's own, which `settings show` and `download` read and keep in a new file).
TEST_F(CliHostileFiles, UnreadableSettingsFileIsToldAndTheDefaultsServe) {
    createImage("--tracks 2 --points 30");
    const fs::path settings = program() / "settings.xml";
    for (Hostile kind : {Hostile::Folder, Hostile::Fifo, Hostile::EndlessDevice}) {
        std::string reason;
        const auto hostile = [&] {
            fs::remove_all(program());
            fs::create_directories(program());
            reason = makeHostile(kind, settings);
        };
        for (const char* command : {"settings show", "tracks", "download"}) {
            hostile();
            const ProcessResult r = cli(command);
            EXPECT_EQ(r.exitCode, 0) << command << ": " << r.err;
            EXPECT_TRUE(contains(r.err, "Cannot read " + settings.string() + ": " + reason))
                << command << ": " << r.err;
        }
        hostile();
        const ProcessResult r =
            run("vandrel-cli", "--data-dir '" + program().string() + "' --device '" + image() +
                                   ".none' settings show --raw");
        EXPECT_TRUE(contains(r.out, "Length=0\nTemperature=1\nLogInterval=3\n")) << r.out;
    }
}

// A settings.xml the program cannot read may still hold the user's settings: `settings set`
// keeps it aside, says where, and writes the new file.
TEST_F(CliHostileFiles, SettingsSetKeepsAnUnreadableFileAside) {
    const fs::path settings = program() / "settings.xml";
    const std::string large =
        "<root><params PowerOff=\"2\"/></root>" + std::string(kSettingsFileMostBytes, ' ');
    for (bool folder : {false, true}) {
        fs::remove_all(program());
        fs::create_directories(program());
        if (folder) {
            fs::create_directories(settings / "inside");
        } else {
            testing::writeFile(settings, large);
        }
        const ProcessResult r = cli("settings set Backlight=1");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        std::vector<fs::path> aside;
        for (const auto& entry : fs::directory_iterator(program())) {
            if (contains(entry.path().filename().string(), "settings.xml.unreadable-")) {
                aside.push_back(entry.path());
            }
        }
        ASSERT_EQ(aside.size(), 1u) << r.err;
        EXPECT_TRUE(contains(r.err, "it was kept as " + aside[0].string())) << r.err;
        EXPECT_TRUE(folder ? fs::is_directory(aside[0] / "inside")
                           : testing::readFile(aside[0]) == large);
        EXPECT_TRUE(contains(testing::readFile(settings), "Backlight=\"1\""));
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

// A .poi file is written whole under a temporary and renamed, and only then is the download
// told complete: on a full disk the command fails, the old file stays and nothing else is left.
TEST_F(CliHostileFiles, PoiDownloadOnAFullDiskFailsAndKeepsTheOldFile) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to mount a small tmpfs; this test is skipped";
    }
    createImage("--no-log");
    const fs::path disk = dir_ / "disk";
    fs::create_directories(disk);
    if (std::system(
            ("mount -t tmpfs -o size=4k tmpfs '" + disk.string() + "' 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here; this test is skipped";
    }
    const std::string old(200, '\0');
    testing::writeFile(disk / "old.poi", old);
    // Fills what is left of the file system.
    testing::writeFile(disk / "filler", std::string(64 * 1024, 'x'));
    for (const char* name : {"old.poi", "new.poi"}) {
        const ProcessResult r = cli("poi download '" + (disk / name).string() + "' --yes");
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_FALSE(contains(r.err, "Download Complete!")) << r.err;
        EXPECT_TRUE(contains(r.err, "Cannot write " + (disk / name).string())) << r.err;
    }
    EXPECT_TRUE(testing::readFile(disk / "old.poi") == old);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(disk)) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"filler", "old.poi"}));
    EXPECT_EQ(std::system(("umount '" + disk.string() + "'").c_str()), 0);
}

// No export, archive or .poi file goes over a file the program keeps, however it is named: the
// command fails, says why, and the file is as it was.
TEST_F(CliHostileFiles, WritesOverTheProgramsOwnFilesAreRefused) {
    createImage("--tracks 1 --points 20");
    ASSERT_EQ(cli("download").exitCode, 0);
    ASSERT_EQ(cli("settings set PowerOff=1").exitCode, 0);
    fs::create_directories(program() / "photos");
    testing::writeFile(program() / "photos" / "1.jpg", "photo");
    fs::create_symlink(program() / "Vandrel.db", dir_ / "link.gpx");
    const std::string db = testing::readFile(program() / "Vandrel.db");
    const std::string settings = testing::readFile(program() / "settings.xml");
    const std::string dataDir = program().string();
    for (const std::string& command :
         {"export gpx 1 '" + dataDir + "/Vandrel.db'",
          "export kmz 1 '" + dataDir + "/../" + program().filename().string() + "/settings.xml'",
          "export gpx 1 '" + (dir_ / "link.gpx").string() + "'",
          "archive save '" + dataDir + "/Vandrel.db'", "archive save '" + dataDir + "/temp.log'",
          "export gpx 1 '" + dataDir + "/vandrel.lock'",
          "poi download '" + dataDir + "/photos/1.jpg' --yes"}) {
        const ProcessResult r = cli(command);
        EXPECT_EQ(r.exitCode, 1) << command << ": " << r.err;
        EXPECT_TRUE(contains(r.err, "the program's own file")) << command << ": " << r.err;
    }
    EXPECT_TRUE(testing::readFile(program() / "Vandrel.db") == db);
    EXPECT_TRUE(testing::readFile(program() / "settings.xml") == settings);
    EXPECT_EQ(testing::readFile(program() / "photos" / "1.jpg"), "photo");
    EXPECT_EQ(cli("tracks").exitCode, 0);
}

// Printed output that cannot be written (a full disk, a closed standard output) fails the
// command with the reason, instead of a listing silently lost and a success.
TEST_F(CliHostileFiles, OutputThatCannotBeWrittenFailsTheCommand) {
    createImage("--tracks 1 --points 20");
    ASSERT_EQ(cli("download").exitCode, 0);
    const std::string pois = (dir_ / "pois.poi").string();
    ASSERT_EQ(cli("poi download '" + pois + "' --yes").exitCode, 0);
    const fs::path err = dir_ / "err.txt";
    for (const std::string& command :
         {std::string("tracks"), std::string("settings show"), "poi show '" + pois + "'"}) {
        for (const char* output : {">/dev/full", ">&-"}) {
            const std::string line = "timeout -k 5 " + std::to_string(kLimitSeconds) + " '" +
                                     testing::builtProgram("vandrel-cli").string() +
                                     "' --data-dir '" + program().string() + "' --device '" +
                                     image() + "' " + command + " " + output + " 2>'" +
                                     err.string() + "' </dev/null";
            const int status = std::system(line.c_str());
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << command << output;
            EXPECT_TRUE(contains(testing::readFile(err), "cannot write the standard output"))
                << command << output << ": " << testing::readFile(err);
        }
    }
}

}  // namespace
}  // namespace vandrel

namespace vandrel {
namespace {

// Whether the process has ended: gone, or a zombie no one has reaped yet.
bool ended(pid_t pid) {
    const std::string stat = testing::readFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t close = stat.rfind(')');
    return close == std::string::npos || stat.compare(close, 4, ") Z ") == 0;
}

// A gpsbabel that hangs ends with the vandrel-cli that ran it, however that ends.
TEST(CliGpsbabel, AHungConversionEndsWithTheCommand) {
    testing::TempDir dir;
    fs::create_directories(dir / "bin");
    const fs::path fake = dir / "bin" / "gpsbabel";
    testing::writeFile(fake,
                       "#!/bin/sh\necho $$ > '" + (dir / "child").string() + "'\nexec sleep 600\n");
    fs::permissions(fake, fs::perms::owner_all);
    testing::writeFile(dir / "flight.igc", "AXXX\r\n");
    const std::string cli = testing::builtProgram("vandrel-cli").string();
    const std::string path = (dir / "bin").string() + ":" + std::getenv("PATH");
    const pid_t command = ::fork();
    if (command == 0) {
        ::setenv("PATH", path.c_str(), 1);
        ::execl(cli.c_str(), cli.c_str(), "--data-dir", (dir / "program").c_str(), "import",
                (dir / "flight.igc").c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(command, 0);
    pid_t child = 0;
    for (int i = 0; i < 600 && child == 0; ++i) {  // a minute at most
        const std::string text = testing::readFile(dir / "child");
        child = text.empty() || text.back() != '\n' ? 0 : std::atoi(text.c_str());
        ::usleep(100'000);
    }
    ::kill(command, SIGTERM);
    int status = 0;
    ::waitpid(command, &status, 0);
    ASSERT_GT(child, 0) << "the fake gpsbabel never ran";
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {  // ten seconds at most
        gone = ended(child);
        ::usleep(100'000);
    }
    if (!gone) {
        ::kill(child, SIGKILL);
    }
    EXPECT_TRUE(gone) << "gpsbabel outlived the command";
}

}  // namespace
}  // namespace vandrel
