#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "core/ground_distance.h"
#include "core/program_path.h"
#include "core/utf8.h"
#include "test_support.h"

namespace vandrel {
namespace {

TEST(GroundDistance, MatchesTheHaversineOfTheStoredRadius) {
    EXPECT_DOUBLE_EQ(GroundDistance(10, 20, 10, 20), 0.0);
    // One degree of latitude along a meridian.
    EXPECT_NEAR(GroundDistance(0, 0, 1, 0), 6372797.560856 * 0.017453293, 1e-6);
    // Symmetric, and across the antimeridian the short way (within the metre or so that the
    // rounded degree factor costs over 360 degrees).
    EXPECT_DOUBLE_EQ(GroundDistance(48.1, 11.5, 48.2, 11.6),
                     GroundDistance(48.2, 11.6, 48.1, 11.5));
    EXPECT_NEAR(GroundDistance(0, 179.9, 0, -179.9), 2 * 0.1 * 6372797.560856 * 0.017453293, 2.0);
}

TEST(Utf8, ConvertsBothWaysAndReplacesInvalidBytes) {
    const std::string text =
        "25.3\xC2\xB0"
        "C \xE2\x82\xAC \xF0\x9F\x9A\x97";
    EXPECT_TRUE(isValidUtf8(text));
    const std::wstring wide = utf8ToWide(text);
    EXPECT_EQ(wide[4], L'\u00B0');
    EXPECT_EQ(wideToUtf8(wide), text);
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));      // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(isValidUtf8("abc\xE2\x82"));   // truncated
    EXPECT_EQ(sanitizeUtf8("a\xFF"
                           "b"),
              "a\xEF\xBF\xBD"
              "b");
}

TEST(ProgramPath, AFolderHoldsUserFilesAndResourcesStayWithTheProgram) {
    testing::TempDir dir;
    const DataFolder folder(dir.path());
    EXPECT_EQ(folder.file("Vandrel.db"), dir.path() / "Vandrel.db");
    EXPECT_EQ(folder.file("photos\\a.jpg"), dir.path() / "photos" / "a.jpg");
    EXPECT_NE(folder.file("Html\\load.html").parent_path().parent_path(), dir.path());
}

TEST(ProgramPath, PortableOnlyWithHtmlFolderAndWritable) {
    testing::TempDir dir;
    EXPECT_FALSE(isPortableFolder(dir.path()));
    std::filesystem::create_directory(dir / "Html");
    EXPECT_TRUE(isPortableFolder(dir.path()));
}

TEST(ProgramPath, InstalledModeUsesXdgDataHome) {
    testing::TempDir dir;
    testing::TempDir installed;  // an executable's folder without Html/
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    std::string error;
    EXPECT_EQ(programFolderFor(installed.path(), error), dir.path() / "vandrel");
    std::filesystem::create_directory(installed / "Html");
    EXPECT_EQ(programFolderFor(installed.path(), error), installed.path());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "vandrel"));
    EXPECT_EQ(error, "");
    if (old != nullptr) {
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_DATA_HOME");
    }
}

// Sets an environment variable (or removes it, for null) until the end of the scope.
struct ScopedVariable {
    ScopedVariable(const char* name, const char* value)
        : name(name), had(std::getenv(name) != nullptr), old(had ? std::getenv(name) : "") {
        value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedVariable() { had ? ::setenv(name, old.c_str(), 1) : ::unsetenv(name); }
    const char* name;
    bool had;
    std::string old;
};

// Never a folder other users share; and a folder that cannot serve is refused with the reason
// rather than left to fail later as a database or lock file that cannot be opened.
TEST(ProgramPath, AFolderThatCannotServeIsRefusedWithTheReason) {
    testing::TempDir dir;
    testing::TempDir installed;
    {
        ScopedVariable home("HOME", nullptr);
        ScopedVariable xdg("XDG_DATA_HOME", nullptr);
        std::string error;
        const passwd* user = ::getpwuid(::getuid());
        ASSERT_NE(user, nullptr);
        EXPECT_EQ(userDataFolder(error),
                  std::filesystem::path(user->pw_dir) / ".local" / "share" / "vandrel");
    }
    testing::writeFile(dir / "file", "");
    {
        ScopedVariable xdg("XDG_DATA_HOME", (dir / "file").c_str());
        std::string error;
        EXPECT_EQ(programFolderFor(installed.path(), error), "");
        EXPECT_EQ(error, "Cannot use the program folder " + (dir / "file" / "vandrel").string() +
                             ": " + (dir / "file").string() +
                             " is not a folder (XDG_DATA_HOME is " + (dir / "file").string() + ")");
    }
    std::filesystem::path deep = dir.path();
    for (int i = 0; i < 5; ++i) {
        deep /= std::string(100, 'd');
    }
    std::string error;
    EXPECT_FALSE(makeProgramFolder(deep, error));
    EXPECT_NE(error.find(": the path is too long ("), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(dir / std::string(100, 'd')));
}

}  // namespace
}  // namespace vandrel
