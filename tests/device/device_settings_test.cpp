// "settings.xml": its exact text, what a load takes from it and what it leaves alone, and the
// default time zone.
#include "device/settings_block.h"
#include "device/settings_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

DeviceSettings defaults() {
    DeviceSettings settings;
    settings.TimeZone = -480;
    return settings;
}

TEST(SettingsFile, HasTheExactTextOfTheFormat) {
    testing::TempDir dir;
    DeviceSettings settings = defaults();
    settings.Refbar = -1.005f;
    ASSERT_TRUE(saveSettingsFile(dir / "settings.xml", settings));
    EXPECT_EQ(testing::readFile(dir / "settings.xml"),
              "<?xml version=\"1.0\" ?>\n"
              "<root>\n"
              "    <params Length=\"0\" Temperature=\"1\" LogInterval=\"3\" TimeZone=\"-480\" "
              "TimeFormat=\"1\" PowerOff=\"0\" Backlight=\"0\" Tnttbar=\"1\" Refbar=\"-1.00\" />\n"
              "</root>\n");
    EXPECT_FALSE(fs::exists(dir / "settings.xml.tmp"));
}

TEST(SettingsFile, RoundTripKeepsEveryFieldAndTwoDecimalsOfRefbar) {
    testing::TempDir dir;
    const DeviceSettings saved{60, 1, 0, 0, 15, 4, 3, 123.456f, 3};
    ASSERT_TRUE(saveSettingsFile(dir / "settings.xml", saved));
    DeviceSettings loaded = defaults();
    ASSERT_TRUE(loadSettingsFile(dir / "settings.xml", loaded));
    DeviceSettings expected = saved;
    expected.Refbar = 123.46f;
    EXPECT_EQ(loaded, expected);
}

TEST(SettingsFile, TakesWhatItHoldsAndLeavesTheRest) {
    DeviceSettings settings = defaults();
    EXPECT_TRUE(loadSettingsText("<config><params Length=\"1\"/></config>", settings));
    DeviceSettings expected = defaults();
    expected.Length = 1;
    EXPECT_EQ(settings, expected);

    // Values that are no number of the field's type leave the field.
    settings = defaults();
    EXPECT_TRUE(loadSettingsText(
        "<root><params Length=\"x\" Temperature=\"\" LogInterval=\"3s\" TimeZone=\"99999999999\" "
        "TimeFormat=\" 0 \" PowerOff=\"+2\" Refbar=\"nan\" Tnttbar=\"1.5\"/></root>",
        settings));
    expected = defaults();
    expected.TimeFormat = 0;
    expected.PowerOff = 2;
    EXPECT_EQ(settings, expected);

    settings = defaults();
    EXPECT_TRUE(loadSettingsText("<root><params Refbar=\"1e300\"/></root>", settings));
    EXPECT_EQ(settings.Refbar, 0.0f);
}

// Numbers outside the values a field may take fall back to the field's default, each named in
// a warning, so that they can never reach the logger.
TEST(SettingsFile, OutOfRangeValuesTakeTheDefaultsWithAWarning) {
    DeviceSettings settings = defaults();
    settings.PowerOff = 3;
    std::vector<std::string> warnings;
    EXPECT_TRUE(loadSettingsText(
        "<root><params Backlight=\"-2\" PowerOff=\"200\" Length=\"1\" TimeZone=\"5000\" "
        "LogInterval=\"-1\" Tnttbar=\"4\" Temperature=\"0\"/></root>",
        settings, &warnings));
    DeviceSettings expected = defaults();
    expected.Length = 1;
    expected.Temperature = 0;
    expected.TimeZone = DeviceSettings{}.TimeZone;
    EXPECT_EQ(settings, expected);
    EXPECT_EQ(settings_block::fieldsProblem(settings), "");
    const std::vector<std::string> told = {
        "settings.xml: LogInterval -1 is not from 0 to 32767; the default 3 is used",
        "settings.xml: TimeZone 5000 is not from -1439 to 1439; the default " +
            std::to_string(DeviceSettings{}.TimeZone) + " is used",
        "settings.xml: PowerOff 200 is not from 0 to 4; the default 0 is used",
        "settings.xml: Backlight -2 is not from 0 to 4; the default 0 is used",
        "settings.xml: Tnttbar 4 is not from 0 to 3; the default 1 is used"};
    EXPECT_EQ(warnings, told);
}

TEST(SettingsFile, MissingOrMalformedFileLeavesTheDefaults) {
    testing::TempDir dir;
    DeviceSettings settings = defaults();
    EXPECT_FALSE(loadSettingsFile(dir / "settings.xml", settings));
    for (const char* text : {"", "<root><params Length=\"1\"", "<root/>", "<root><other/></root>",
                             "<root><x><params Length=\"1\"/></x></root>"}) {
        testing::writeFile(dir / "settings.xml", text);
        EXPECT_FALSE(loadSettingsFile(dir / "settings.xml", settings)) << text;
    }
    EXPECT_EQ(settings, defaults());
}

// tinyxml2 takes time square in the attributes of an element: a file with far more than the
// settings have is refused unparsed, as a file too large is.
TEST(SettingsFile, AFileWithFarMoreAttributesIsRefused) {
    testing::TempDir dir;
    std::string attributes;
    for (int i = 0; i < 1000; ++i) {
        attributes += " a" + std::to_string(i) + "=\"1\"";
    }
    testing::writeFile(dir / "settings.xml",
                       "<root><params Length=\"1\"" + attributes + " /></root>");
    DeviceSettings settings = defaults();
    std::string problem;
    EXPECT_FALSE(loadSettingsFile(dir / "settings.xml", settings, problem));
    EXPECT_NE(problem.find("attributes"), std::string::npos) << problem;
    EXPECT_EQ(settings, defaults());
}

TEST(SettingsFile, FailedSaveKeepsTheOldFile) {
    testing::TempDir dir;
    EXPECT_FALSE(saveSettingsFile(dir / "missing" / "settings.xml", defaults()));
    testing::writeFile(dir / "settings.xml", "old");
    {
        testing::FileSizeLimit full(16);  // the new text cannot be written
        EXPECT_FALSE(saveSettingsFile(dir / "settings.xml", defaults()));
    }
    EXPECT_EQ(testing::readFile(dir / "settings.xml"), "old");
}

// A save killed while it writes (here by the kernel, at the file size limit) leaves the old file
// and nothing else in the folder.
TEST(SettingsFile, KilledSaveLeavesNothingBehind) {
    testing::TempDir dir;
    ASSERT_TRUE(saveSettingsFile(dir / "settings.xml", defaults()));
    const std::string old = testing::readFile(dir / "settings.xml");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        const rlimit small{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &small);
        std::signal(SIGXFSZ, SIG_DFL);
        DeviceSettings changed = defaults();
        changed.PowerOff = 2;
        saveSettingsFile(dir / "settings.xml", changed);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"settings.xml"});
    EXPECT_EQ(testing::readFile(dir / "settings.xml"), old);
}

TEST(SettingsFile, DecimalPointDoesNotFollowTheLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    std::optional<std::string> comma;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            comma = name;
            break;
        }
    }
    VANDREL_SKIP_UNLESS(comma, "A locale with a decimal comma (scripts/test.sh makes one)");
    DeviceSettings settings = defaults();
    settings.Refbar = 2.5f;
    const std::string text = settingsXmlText(settings);
    DeviceSettings loaded = defaults();
    const bool read = loadSettingsText(text, loaded);
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_NE(text.find("Refbar=\"2.50\""), std::string::npos) << *comma;
    EXPECT_TRUE(read);
    EXPECT_EQ(loaded.Refbar, 2.5f);
}

TEST(SystemTimeZoneBias, IsStandardTimeMinutesToAddForUtc) {
    const char* old = std::getenv("TZ");
    const std::optional<std::string> previous =
        old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("TZ", "CST-8", 1);  // UTC+08:00
    EXPECT_EQ(systemTimeZoneBias(), -480);
    ::setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);  // daylight saving is left out
    EXPECT_EQ(systemTimeZoneBias(), 300);
    ::setenv("TZ", "IST-5:30", 1);
    EXPECT_EQ(systemTimeZoneBias(), -330);
    if (previous) {
        ::setenv("TZ", previous->c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

}  // namespace
}  // namespace vandrel
