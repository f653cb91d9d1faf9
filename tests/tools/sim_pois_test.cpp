// vandrel-sim create --pois: a .poi file as the logger's POI block, as the inspector shows it.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

#include "test_support.h"
#include "tools/sim/logger_image.h"
#include "tools/sim/sim_bytes.h"

namespace vandrel::sim {
namespace {

// A .poi file written byte by byte: record i has number i + 1, the given position and icon.
std::string poiFile(const std::vector<SimPoi>& pois) {
    std::string bytes(200, '\0');
    for (size_t i = 0; i < 20; ++i) {
        const SimPoi p = i < pois.size() ? pois[i] : SimPoi{static_cast<uint8_t>(i + 1), 0, 0, 1};
        uint8_t* r = reinterpret_cast<uint8_t*>(bytes.data()) + 10 * i;
        r[0] = p.number;
        le::putS32(r + 1, p.latitude);
        le::putS32(r + 5, p.longitude);
        r[9] = p.icon;
    }
    return bytes;
}

int runSim(const testing::TempDir& dir, const std::string& arguments, std::string& out) {
    const testing::ProcessResult run = testing::runProgram("vandrel-sim", arguments, dir.path());
    out = run.out + run.err;
    return run.exitCode;
}

bool hasLine(const std::string& text, const std::string& line) {
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (l == line) {
            return true;
        }
    }
    return false;
}

TEST(SimPois, CreateFillsThePoiBlockThatInspectShows) {
    testing::TempDir dir;
    // Out of range values go in as they stand, so that the program's range test can be tried.
    testing::writeFile(
        dir / "p.poi",
        poiFile({{1, -33868801, 151209304, 5}, {2, 0, 0, 21}, {3, 95000000, 0, 1}}) + "tail");
    const std::string image = (dir / "l.img").string();
    std::string out;
    ASSERT_EQ(
        runSim(dir, "create --no-log --pois '" + (dir / "p.poi").string() + "' '" + image + "'",
               out),
        0)
        << out;
    ASSERT_EQ(runSim(dir, "inspect '" + image + "'", out), 0) << out;
    EXPECT_TRUE(hasLine(out, "poi block: written")) << out;
    EXPECT_TRUE(hasLine(out, "poi header: ok")) << out;
    EXPECT_TRUE(
        hasLine(out, "poi 0: index 0 number 1 latitude -33.868801 longitude 151.209304 icon 5"))
        << out;
    EXPECT_TRUE(
        hasLine(out, "poi 1: index 1 number 2 latitude 0.000000 longitude 0.000000 icon 21"));
    EXPECT_TRUE(
        hasLine(out, "poi 2: index 2 number 3 latitude 95.000000 longitude 0.000000 icon 1"));
    EXPECT_TRUE(hasLine(out, "settings bytes 193-194: 0 0"));

    // The rest of block 513 stays erased.
    std::string error;
    const auto loaded = LoggerImage::load(image, error);
    ASSERT_TRUE(loaded) << error;
    const uint8_t* b = loaded->block(kPoiBlock);
    EXPECT_TRUE(std::all_of(b + 314, b + 4096, [](uint8_t v) { return v == 0xFF; }));
}

TEST(SimPois, OnlyFilesOfTwentyRecordsAreTaken) {
    testing::TempDir dir;
    std::string error;
    testing::writeFile(dir / "short.poi", poiFile({}).substr(0, 199));
    EXPECT_TRUE(readPoiFile(dir / "short.poi", error).empty());
    EXPECT_FALSE(error.empty());
    testing::writeFile(dir / "long.poi", poiFile({}) + std::string(10, 'x'));
    EXPECT_TRUE(readPoiFile(dir / "long.poi", error).empty());
    testing::writeFile(dir / "ok.poi", poiFile({}) + std::string(9, 'x'));
    EXPECT_EQ(readPoiFile(dir / "ok.poi", error).size(), 20u);

    std::string out;
    EXPECT_EQ(runSim(dir,
                     "create --pois '" + (dir / "short.poi").string() + "' '" +
                         (dir / "x.img").string() + "'",
                     out),
              1);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.img"));
}

}  // namespace
}  // namespace vandrel::sim
