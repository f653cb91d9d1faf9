// Two programs on one program folder: the built vandrel-cli started twice at once, and a
// command that finds the folder held by another.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>

#include "core/program_folder_lock.h"
#include "store/sqlite_db.h"
#include "test_support.h"

namespace vandrel {
namespace {

using testing::ProcessResult;
using testing::TempDir;

class TwoPrograms : public ::testing::Test {
  protected:
    std::string cli(const std::filesystem::path& folder) const {
        return "'" + testing::builtProgram("vandrel-cli").string() + "' --data-dir '" +
               folder.string() + "' ";
    }

    // Starts both commands at once and waits for both; their outputs and exit codes land in
    // files named after `tag`.
    std::pair<ProcessResult, ProcessResult> together(const std::string& a, const std::string& b,
                                                     const std::string& tag) {
        auto job = [&](const std::string& command, const std::string& name) {
            const auto base = dir_ / (tag + name);
            return "( " + command + " >'" + base.string() + ".out' 2>'" + base.string() +
                   ".err' </dev/null; echo $? >'" + base.string() + ".rc' ) & ";
        };
        const std::string script = job(a, "a") + job(b, "b") + "wait";
        EXPECT_EQ(std::system(script.c_str()), 0);
        auto result = [&](const std::string& name) {
            const auto base = dir_ / (tag + name);
            ProcessResult r;
            r.exitCode = std::atoi(testing::readFile(base.string() + ".rc").c_str());
            r.out = testing::readFile(base.string() + ".out");
            r.err = testing::readFile(base.string() + ".err");
            return r;
        };
        return {result("a"), result("b")};
    }

    static int lineCount(const std::string& text) {
        int n = 0;
        for (char c : text) {
            n += c == '\n';
        }
        return n;
    }

    TempDir dir_;
};

// Each round starts on an empty folder: two first starts, two downloads of one logger and two
// loads of one archive, each pair at once. Every other round the downloads come first, so that
// both find a new database whose tables the download's own transaction makes. Every track ends
// up stored exactly once.
TEST_F(TwoPrograms, CommandsStartedAtOnceStoreEveryTrackOnce) {
    const std::string image = (dir_ / "logger.img").string();
    ASSERT_EQ(
        testing::runProgram("vandrel-sim",
                            "create '" + image + "' --tracks 3 --points 400 --seed 5", dir_.path())
            .exitCode,
        0);
    const auto source = dir_ / "source";
    ASSERT_EQ(std::system((cli(source) + "--device '" + image + "' download 2>/dev/null").c_str()),
              0);
    const std::string archive = (dir_ / "all.prg").string();
    ASSERT_EQ(std::system((cli(source) + "archive save '" + archive + "' 2>/dev/null").c_str()), 0);

    for (int round = 0; round < 4; ++round) {
        const std::string tag = "r" + std::to_string(round);
        const auto folder = dir_ / ("program" + std::to_string(round));
        std::filesystem::create_directories(folder);

        if (round % 2 == 0) {
            const auto [listA, listB] =
                together(cli(folder) + "tracks", cli(folder) + "tracks", tag + "t");
            EXPECT_EQ(listA.exitCode, 0) << listA.err;
            EXPECT_EQ(listB.exitCode, 0) << listB.err;
        }

        const std::string download = cli(folder) + "--device '" + image + "' download";
        const auto [a, b] = together(download, download, tag + "d");
        ASSERT_EQ(a.exitCode, 0) << a.err;
        ASSERT_EQ(b.exitCode, 0) << b.err;
        const std::string both = a.err + b.err;
        EXPECT_NE(both.find("3 tracks stored, 0 tracks skipped"), std::string::npos) << both;
        EXPECT_NE(both.find("0 tracks stored, 3 tracks skipped"), std::string::npos) << both;

        const auto loaded = dir_ / ("loaded" + std::to_string(round));
        std::filesystem::create_directories(loaded);
        const std::string load = cli(loaded) + "archive load '" + archive + "' --overwrite keep";
        const auto [c, d] = together(load, load, tag + "a");
        EXPECT_EQ(c.exitCode, 0) << c.err;
        EXPECT_EQ(d.exitCode, 0) << d.err;

        for (const auto& f : {folder, loaded}) {
            const ProcessResult list = testing::runProgram(
                "vandrel-cli", "--data-dir '" + f.string() + "' tracks", dir_.path());
            EXPECT_EQ(lineCount(list.out), 3) << f << "\n" << list.out;
        }
    }
}

// A command that changes the folder waits for the one holding it, and says so at once.
TEST_F(TwoPrograms, ASecondCommandWaitsForTheFolderAndSaysSo) {
    const auto folder = dir_ / "program";
    std::filesystem::create_directories(folder);
    ProgramFolderLock held(folder);
    ASSERT_TRUE(held.tryLock()) << held.error();
    ProgramFolderLock other(folder);
    EXPECT_FALSE(other.tryLock());

    const auto err = dir_ / "set.err";
    const auto rc = dir_ / "set.rc";
    const std::string command = "( " + cli(folder) + "settings set Length=1 2>'" + err.string() +
                                "' </dev/null; echo $? >'" + rc.string() + "' ) &";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string expected =
        "Waiting for another Vandrel command using " + folder.string() + "...\n";
    for (int i = 0; i < 600 && testing::readFile(err) != expected; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(testing::readFile(err), expected);
    EXPECT_FALSE(std::filesystem::exists(folder / "settings.xml"));
    EXPECT_FALSE(std::filesystem::exists(rc));

    held.unlock();
    for (int i = 0; i < 600 && testing::readFile(rc).empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(testing::readFile(rc), "0\n");
    EXPECT_NE(testing::readFile(folder / "settings.xml").find("Length=\"1\""), std::string::npos);
    EXPECT_TRUE(other.tryLock());
}

// A database that is not one, and one that another program holds locked: the message names
// the file and SQLite's reason, and the wait is told at once.
TEST_F(TwoPrograms, DatabaseTroubleNamesTheFileAndTheReason) {
    const auto garbage = dir_ / "garbage";
    std::filesystem::create_directories(garbage);
    testing::writeFile(garbage / "Vandrel.db", std::string(4096, 'x'));
    const ProcessResult bad = testing::runProgram(
        "vandrel-cli", "--data-dir '" + garbage.string() + "' tracks", dir_.path());
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("Database error: UNKNOWN_ERROR[26]: "), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find((garbage / "Vandrel.db").string() + ": file is not a database"),
              std::string::npos)
        << bad.err;

    const auto folder = dir_ / "program";
    std::filesystem::create_directories(folder);
    const std::string dbPath = (folder / "Vandrel.db").string();
    TrackDatabase holder;
    holder.openStore(dbPath);
    holder.execute("begin exclusive transaction;");
    const auto err = dir_ / "tracks.err";
    const auto rc = dir_ / "tracks.rc";
    const std::string command = "( " + cli(folder) + "tracks 2>'" + err.string() +
                                "' </dev/null; echo $? >'" + rc.string() + "' ) &";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string expected =
        "Waiting for the database " + dbPath + ": database is locked by another program...\n";
    for (int i = 0; i < 600 && testing::readFile(err) != expected; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(testing::readFile(err), expected);
    holder.commitTransaction();
    for (int i = 0; i < 600 && testing::readFile(rc).empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(testing::readFile(rc), "0\n");
}

}  // namespace
}  // namespace vandrel
