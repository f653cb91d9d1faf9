// Offline map files and the map sources: what a file's tiles and metadata give the map, the
// damaged files refused, and the user's sources and choice kept for the next start.
#include <gtest/gtest.h>

#include "map/map_service.h"
#include "map/map_sources.h"
#include "map/mbtiles_file.h"
#include "mbtiles_maker.h"
#include "test_support.h"

namespace vandrel::map {
namespace {

namespace fs = std::filesystem;
using testing::MbtilesTile;

// Enough of a PNG for the program to take it for one: the signature, then a colour's name.
std::string png(const std::string& colour) {
    return std::string("\x89PNG\r\n\x1a\n", 8) + colour;
}

const std::map<std::string, std::string> kAlps = {{"name", "Alps"},
                                                  {"format", "png"},
                                                  {"minzoom", "1"},
                                                  {"maxzoom", "2"},
                                                  {"attribution", "Survey of the Alps"},
                                                  {"bounds", "5.5,45.5,11,48"}};

class OfflineMap : public ::testing::Test {
  protected:
    testing::TempDir dir;
    // A name with the characters a URI gives a meaning to.
    fs::path file = dir / "alps #1?50%.mbtiles";
    void SetUp() override {
        ASSERT_TRUE(testing::writeMbtiles(
            file, kAlps,
            {{1, 1, 0, png("red")}, {2, 2, 1, png("green")}, {2, 2, 2, "not an image"}}));
    }
    std::string refusal(const fs::path& path) {
        std::string error;
        EXPECT_EQ(MbtilesFile::open(path, error), nullptr);
        return error;
    }
};

TEST_F(OfflineMap, ATileIsReadByTheMapsNumberingAndTheMetadataIsKept) {
    std::string error;
    auto map = MbtilesFile::open(file, error);
    ASSERT_NE(map, nullptr) << error;
    EXPECT_EQ(map->tile(1, 1, 0), png("red"));
    EXPECT_EQ(map->tile(2, 2, 1), png("green"));
    // Absent, out of the world, or no image: nothing, and the outline shows beneath.
    EXPECT_EQ(map->tile(1, 0, 0), std::nullopt);
    EXPECT_EQ(map->tile(1, 2, 0), std::nullopt);
    EXPECT_EQ(map->tile(2, 2, 2), std::nullopt);
    const MbtilesInfo& info = map->info();
    EXPECT_EQ(info.name, "Alps");
    EXPECT_EQ(info.attribution, "Survey of the Alps");
    EXPECT_EQ(info.minZoom, 1);
    EXPECT_EQ(info.maxZoom, 2);
    ASSERT_TRUE(info.bounds);
    EXPECT_DOUBLE_EQ(info.bounds->west, 5.5);
    EXPECT_DOUBLE_EQ(info.bounds->north, 48);
}

TEST_F(OfflineMap, ADamagedFileIsRefusedSayingWhy) {
    const std::string whole = testing::readFile(file);
    testing::writeFile(dir / "cut.mbtiles", whole.substr(0, whole.size() - 100));
    const std::string cut = refusal(dir / "cut.mbtiles");
    EXPECT_NE(cut.find("cut short"), std::string::npos) << cut;
    testing::writeFile(dir / "text.mbtiles", std::string(4096, 'x'));
    EXPECT_NE(refusal(dir / "text.mbtiles").find("not an offline map file (MBTiles)"),
              std::string::npos);
    ASSERT_TRUE(testing::writeMbtiles(dir / "notiles.mbtiles", kAlps, {}, false));
    EXPECT_NE(refusal(dir / "notiles.mbtiles").find("no tiles table"), std::string::npos);
    auto vector = kAlps;
    vector["format"] = "pbf";
    ASSERT_TRUE(testing::writeMbtiles(dir / "vector.mbtiles", vector, {}));
    EXPECT_NE(refusal(dir / "vector.mbtiles").find("not images"), std::string::npos);
    EXPECT_NE(refusal(dir / "missing.mbtiles").find("no such file"), std::string::npos);
}

TEST_F(OfflineMap, TheUsersSourcesAndChoiceAreKeptForTheNextStart) {
    const fs::path store = dir / "mapsources.xml";
    std::string error;
    {
        MapSources sources(MapService{}, store);
        EXPECT_EQ(sources.chosen().name, kStandardSource);
        EXPECT_FALSE(
            sources.addService("Mine", "https://tiles.example/{z}/{x}.png", "", 15, error));
        EXPECT_NE(error.find("{y}"), std::string::npos);
        ASSERT_TRUE(
            sources.addService("Mine", "https://tiles.example/{z}/{x}/{y}.png", "Me", 15, error));
        ASSERT_EQ(sources.addFile(file, true, error), "Alps") << error;
        EXPECT_FALSE(sources.choose("Nowhere", true, error));
        ASSERT_TRUE(sources.choose("Alps", true, error)) << error;
    }
    MapSources again(MapService{}, store);
    EXPECT_TRUE(again.problems().empty());
    ASSERT_EQ(again.chosen().name, "Alps");
    EXPECT_EQ(again.chosen().maxZoom, 2);
    EXPECT_EQ(again.find("Mine")->tiles, "https://tiles.example/{z}/{x}/{y}.png");
    EXPECT_EQ(again.find(kTopoSource)->maxZoom, 17);
    // The page gets the file's tiles from the program, by the address the source names.
    const std::string key = again.chosen().tiles.substr(std::string("../mbtiles/").size());
    std::string bytes;
    std::string mime;
    ASSERT_TRUE(again.tile(key.substr(0, key.find('/')) + "/1/1/0", bytes, mime));
    EXPECT_EQ(bytes, png("red"));
    EXPECT_EQ(mime, "image/png");
    EXPECT_FALSE(again.tile("9/1/1/0", bytes, mime));
    EXPECT_FALSE(again.tile("../1/1/0", bytes, mime));
    EXPECT_NE(again.document().find("bounds=\"5.5,45.5,11,48\""), std::string::npos);

    // A file added for one run, and chosen, is gone at the next start with the kept choice.
    const fs::path other = dir / "other.mbtiles";
    ASSERT_TRUE(testing::writeMbtiles(other, {{"name", "Other"}}, {}));
    ASSERT_EQ(again.addFile(other, false, error), "Other");
    ASSERT_TRUE(again.choose("Other", false, error));
    MapSources third(MapService{}, store);
    EXPECT_EQ(third.find("Other"), nullptr);
    EXPECT_EQ(third.chosen().name, "Alps");
}

// A mistyped address is mended in place, and a map removed goes for good: the choice falls
// back to the standard map, and the files after it still give their tiles.
TEST_F(OfflineMap, AUsersMapIsEditedAndRemovedAndTheChoiceFallsBack) {
    const fs::path store = dir / "mapsources.xml";
    std::string error;
    {
        MapSources sources(MapService{}, store);
        ASSERT_TRUE(
            sources.addService("Mine", "https://tilse.example/{z}/{x}/{y}.png", "", 15, error));
        ASSERT_TRUE(
            sources.addService("Lake", "https://lake.example/{z}/{x}/{y}.png", "", 15, error));
        ASSERT_EQ(sources.addFile(file, true, error), "Alps") << error;
        ASSERT_TRUE(sources.choose("Mine", true, error));
        EXPECT_FALSE(
            sources.editService("Mine", "Lake", "https://a/{z}/{x}/{y}.png", "", 9, error));
        EXPECT_FALSE(sources.editService("Mine", "Mine", "https://a/{z}/{x}.png", "", 9, error));
        EXPECT_NE(error.find("{y}"), std::string::npos);
        EXPECT_FALSE(
            sources.editService(kStandardSource, "X", "https://a/{z}/{x}/{y}", "", 9, error));
        ASSERT_TRUE(sources.editService("Mine", "My map", "https://tiles.example/{z}/{x}/{y}.png",
                                        "Me", 12, error))
            << error;
        EXPECT_EQ(sources.chosen().name, "My map");
        EXPECT_FALSE(sources.remove(kTopoSource, error));
        ASSERT_TRUE(sources.remove("Lake", error)) << error;
    }
    MapSources again(MapService{}, store);
    ASSERT_EQ(again.chosen().name, "My map");
    EXPECT_EQ(again.chosen().tiles, "https://tiles.example/{z}/{x}/{y}.png");
    EXPECT_EQ(again.chosen().maxZoom, 12);
    EXPECT_EQ(again.find("Mine"), nullptr);
    EXPECT_EQ(again.find("Lake"), nullptr);
    ASSERT_TRUE(again.remove("My map", error)) << error;
    EXPECT_EQ(again.chosen().name, kStandardSource);
    const std::string key = again.find("Alps")->tiles.substr(std::string("../mbtiles/").size());
    std::string bytes;
    std::string mime;
    EXPECT_TRUE(again.tile(key.substr(0, key.find('/')) + "/1/1/0", bytes, mime));
    MapSources third(MapService{}, store);
    EXPECT_EQ(third.chosen().name, kStandardSource);
    EXPECT_EQ(third.find("My map"), nullptr);
    EXPECT_NE(third.find("Alps"), nullptr);
}

}  // namespace
}  // namespace vandrel::map
