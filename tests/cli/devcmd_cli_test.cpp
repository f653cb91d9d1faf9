// The device commands of vandrel-cli run as a user runs them, on simulator images, with the
// logger checked afterwards by vandrel-sim inspect.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "test_support.h"

namespace vandrel {
namespace {

using testing::TempDir;

using testing::ProcessResult;

class CliDeviceCommands : public ::testing::Test {
  protected:
    ProcessResult run(const std::string& program, const std::string& arguments) {
        return testing::runProgram(program, arguments, dir_.path());
    }
    ProcessResult cli(const std::string& arguments) {
        return run("vandrel-cli", "--data-dir '" + program().string() + "' --device '" + image() +
                                      "' " + arguments);
    }
    // The same with the logger unplugged.
    ProcessResult cliWithoutLogger(const std::string& arguments) {
        return run("vandrel-cli", "--data-dir '" + program().string() + "' --device '" +
                                      path("none.img") + "' " + arguments);
    }
    std::string inspect() { return run("vandrel-sim", "inspect '" + image() + "'").out; }
    void createImage(const std::string& options) {
        ASSERT_EQ(run("vandrel-sim", "create '" + image() + "' --seed 5 " + options).exitCode, 0);
    }
    std::filesystem::path program() const { return dir_ / "program"; }
    std::string image() const { return (dir_ / "logger.img").string(); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    static bool hasLine(const std::string& text, const std::string& line) {
        std::istringstream in(text);
        for (std::string l; std::getline(in, l);) {
            if (l == line) {
                return true;
            }
        }
        return false;
    }
    void patchImage(size_t offset, const std::string& bytes) {
        std::fstream f(image(), std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(offset));
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    TempDir dir_;
};

TEST_F(CliDeviceCommands, SettingsAreSetShownAndWrittenIntoTheLogger) {
    createImage("--no-log");
    ProcessResult set =
        cli("settings set TimeZone=-330 Length=1 Temperature=0 LogInterval=60 "
            "Refbar=30.48 PowerOff=3 Tnttbar=2");
    ASSERT_EQ(set.exitCode, 0) << set.err;
    ProcessResult show = cliWithoutLogger("settings show --raw");
    EXPECT_EQ(show.out,
              "Length=1\nTemperature=0\nLogInterval=60\nTimeZone=-330\nTimeFormat=1\n"
              "PowerOff=3\nBacklight=0\nTnttbar=2\nRefbar=30.48\n");
    // Without --raw, as the Settings page words them.
    EXPECT_EQ(cliWithoutLogger("settings show").out,
              "Distance Units: Feet,Miles\nTemperature: \u00B0C\nTimeFormat: 24\n"
              "Datalog Interval Time: 60 sec\nTime Zone: UTC+05:30\nPower Off Time: 30 min\n"
              "Backlight Off Time: never\nAltitude Offset: 100.0 ft\n"
              "Interval Time For Barometric: 30 min\n");
    EXPECT_EQ(
        show.err.rfind("The program's saved settings: the logger's settings were not read (", 0),
        0u)
        << show.err;

    // A bad assignment changes nothing, not even the good ones before it.
    for (const char* bad : {"Length=2", "Colour=1", "LogInterval=ten", "TimeZone", "Refbar=nan"}) {
        ProcessResult refused = cli(std::string("settings set PowerOff=1 ") + bad);
        EXPECT_EQ(refused.exitCode, 1) << bad;
        EXPECT_FALSE(refused.err.empty()) << bad;
    }
    EXPECT_EQ(cliWithoutLogger("settings show --raw").out, show.out);

    ProcessResult write = cli("settings write");
    ASSERT_EQ(write.exitCode, 0) << write.err;
    EXPECT_EQ(write.err, "Save Complete!\n");
    const std::string text = inspect();
    for (const char* line :
         {"settings TimeZone offset east: 330 min", "settings Temperature: 1 (C)",
          "settings Length: 2 (imperial)", "settings Length2: 2 (imperial)",
          "settings PowerOff: 3 (30 min)", "settings Refbar: 30.48 m", "settings LogInterval: 60 s",
          "settings Tnttbar: 2 (30 min)", "handshake: ok"}) {
        EXPECT_TRUE(hasLine(text, line)) << line << "\n" << text;
    }
    // Read back from the logger, they are the same.
    ProcessResult back = cli("settings show --raw");
    EXPECT_EQ(back.out, show.out);
    EXPECT_EQ(back.err, "The logger's settings, read from " + image() + ".\n");

    ProcessResult missing =
        run("vandrel-cli", "--data-dir '" + program().string() + "' --device '" + path("none.img") +
                               "' settings write");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err.rfind("Device unconnect!\n", 0), 0u) << missing.err;
}

// A logger set up unlike the program (UTC+02:00, a fix every 5 s, the backlight off after
// 5 min): `settings show` shows its settings, says so, keeps them in settings.xml and writes
// nothing to the logger.
TEST_F(CliDeviceCommands, SettingsShowTakesTheLoggersOwnSettings) {
    createImage("--no-log --tz-offset 120 --interval 5");
    ASSERT_EQ(cli("settings set TimeZone=300 LogInterval=3 Backlight=0").exitCode, 0);
    const std::string before = testing::readFile(image());

    ProcessResult show = cli("settings show");
    ASSERT_EQ(show.exitCode, 0) << show.err;
    EXPECT_EQ(show.err, "The logger's settings, read from " + image() + ".\n");
    for (const char* line :
         {"Time Zone: UTC+02:00", "Datalog Interval Time: 5 sec", "Backlight Off Time: 5 min"}) {
        EXPECT_TRUE(hasLine(show.out, line)) << line << "\n" << show.out;
    }
    EXPECT_EQ(testing::readFile(image()), before);

    // They are the program's copy now.
    ProcessResult kept = cliWithoutLogger("settings show");
    EXPECT_EQ(kept.out, show.out);
    EXPECT_NE(kept.err.find("the logger's settings were not read"), std::string::npos) << kept.err;
    const std::string file = testing::readFile(program() / "settings.xml");
    EXPECT_NE(file.find("LogInterval=\"5\" TimeZone=\"-120\""), std::string::npos) << file;
}

TEST_F(CliDeviceCommands, PoisMoveBetweenFilesAndTheLogger) {
    createImage("--no-log");
    // Without a terminal and without --yes the answer is No: no file is written.
    ProcessResult no = cli("poi download '" + path("got.poi") + "'");
    EXPECT_EQ(no.exitCode, 4);
    EXPECT_FALSE(std::filesystem::exists(path("got.poi")));

    // An erased logger leaves the initial slots; they go to the file.
    ProcessResult down = cli("poi download --yes '" + path("got.poi") + "'");
    ASSERT_EQ(down.exitCode, 0) << down.err;
    EXPECT_EQ(down.err, "Download Complete!\n");
    ProcessResult show = cli("poi show '" + path("got.poi") + "'");
    ASSERT_EQ(show.exitCode, 0);
    EXPECT_TRUE(hasLine(show.out, "WP01 number 1 latitude 0.000000 longitude -180.000000 icon 1"));
    EXPECT_TRUE(hasLine(show.out, "WP20 number 20 latitude 0.000000 longitude 162.000000 icon 20"));

    // Edit slot 1 of the file to Sydney with icon 5 and upload it.
    std::string bytes = testing::readFile(path("got.poi"));
    const int32_t lat = -33868801, lng = 151209304;
    std::memcpy(&bytes[1], &lat, 4);
    std::memcpy(&bytes[5], &lng, 4);
    bytes[9] = 5;
    testing::writeFile(path("sydney.poi"), bytes);
    EXPECT_EQ(cli("poi upload '" + path("sydney.poi") + "'").exitCode, 4);
    EXPECT_TRUE(hasLine(inspect(), "poi block: erased"));
    ProcessResult up = cli("poi upload -y '" + path("sydney.poi") + "'");
    ASSERT_EQ(up.exitCode, 0) << up.err;
    EXPECT_EQ(up.err, "Upload Complete!\n");
    const std::string text = inspect();
    EXPECT_TRUE(hasLine(text, "poi header: ok")) << text;
    EXPECT_TRUE(
        hasLine(text, "poi 0: index 0 number 1 latitude -33.868801 longitude 151.209304 icon 5"))
        << text;

    // And back from the logger into a new file.
    ASSERT_EQ(cli("poi download --yes '" + path("back.poi") + "'").exitCode, 0);
    EXPECT_EQ(testing::readFile(path("back.poi")), bytes);

    // A file with a latitude beyond the pole is refused and nothing is uploaded.
    const int32_t beyond = 90000001;
    std::memcpy(&bytes[11], &beyond, 4);
    testing::writeFile(path("bad.poi"), bytes);
    const std::string before = testing::readFile(image());
    ProcessResult bad = cli("poi upload --yes '" + path("bad.poi") + "'");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("latitude"), std::string::npos) << bad.err;
    EXPECT_EQ(cli("poi show '" + path("bad.poi") + "'").exitCode, 1);
    EXPECT_EQ(testing::readFile(image()), before);

    ProcessResult missing =
        run("vandrel-cli", "--data-dir '" + program().string() + "' --device '" + path("none.img") +
                               "' poi upload --yes '" + path("sydney.poi") + "'");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err.rfind("Device unconnect !\n", 0), 0u) << missing.err;
}

TEST_F(CliDeviceCommands, FirmwareIsWrittenFromBlock16AndATooLargeImageRefused) {
    createImage("--no-log");
    std::string firmware(10000, '\x42');
    testing::writeFile(path("fw.bin"), firmware);
    // Without a terminal and without --yes the answer is No: nothing is written.
    const std::string before = testing::readFile(image());
    ProcessResult no = cli("firmware '" + path("fw.bin") + "'");
    EXPECT_EQ(no.exitCode, 4) << no.err;
    EXPECT_EQ(testing::readFile(image()), before);
    ProcessResult update = cli("firmware --yes '" + path("fw.bin") + "'");
    ASSERT_EQ(update.exitCode, 0) << update.err;
    EXPECT_EQ(update.err, "Update Complete!\n");
    const std::string after = testing::readFile(image());
    EXPECT_EQ(after.substr(16 * 4096, 10000), firmware);
    EXPECT_EQ(after.substr(16 * 4096 + 10000, 3 * 4096 - 10000), std::string(2288, '\xFF'));

    testing::writeFile(path("big.bin"), std::string(2031617, '\x42'));
    ProcessResult big = cli("firmware -y '" + path("big.bin") + "'");
    EXPECT_EQ(big.exitCode, 1);
    EXPECT_EQ(big.err.rfind("Update file error!\n", 0), 0u) << big.err;
    EXPECT_EQ(testing::readFile(image()).substr(4096 * 12), after.substr(4096 * 12));
}

TEST_F(CliDeviceCommands, EraseEmptiesTheLogAndKeepsSettingsAndPois) {
    createImage("--tracks 2 --points 200");
    patchImage(512 * 4096 + 193, "\x11\x22");
    ASSERT_TRUE(hasLine(inspect(), "log runs: 2"));
    const std::string settingsBefore = testing::readFile(image()).substr(512 * 4096, 193);

    EXPECT_EQ(cli("erase").exitCode, 4);
    EXPECT_TRUE(hasLine(inspect(), "log runs: 2"));
    EXPECT_FALSE(std::filesystem::exists(program() / "erase.bin"));

    ProcessResult erase = cli("erase --yes");
    ASSERT_EQ(erase.exitCode, 0) << erase.err;
    EXPECT_EQ(erase.err, "Delete Device Logs Complete!\n");
    const std::string text = inspect();
    EXPECT_TRUE(hasLine(text, "log present: 0")) << text;
    EXPECT_TRUE(hasLine(text, "log runs: 0")) << text;
    EXPECT_TRUE(hasLine(text, "settings bytes 193-194: 0 0")) << text;
    EXPECT_EQ(testing::readFile(image()).substr(512 * 4096, 193), settingsBefore);
    EXPECT_EQ(std::filesystem::file_size(program() / "erase.bin"), 2097152u);

    ProcessResult download = cli("download");
    EXPECT_EQ(download.exitCode, 3) << download.err;

    // A short erase image in the program folder is refused; the logger stays as it is.
    std::filesystem::resize_file(program() / "erase.bin", 4096);
    createImage("--tracks 1 --points 100");
    ProcessResult refused = cli("erase --yes");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("2097152"), std::string::npos) << refused.err;
    EXPECT_TRUE(hasLine(inspect(), "log runs: 1"));
}

}  // namespace
}  // namespace vandrel
