// Map files and the list of map sources as someone else may have made them: what would hang the
// program or grow it without end is refused, saying why, and the start goes on with the
// standard map.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>

#include "map/map_service.h"
#include "map/map_sources.h"
#include "map/mbtiles_file.h"
#include "mbtiles_maker.h"
#include "test_support.h"

namespace vandrel::map {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A map file of the given statements, run by SQLite as they are.
fs::path madeMap(const fs::path& path, const std::string& sql) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
    return path;
}

constexpr const char* kTilesTable =
    "create table tiles (zoom_level integer, tile_column integer, tile_row integer, "
    "tile_data blob);";
constexpr const char* kMetadataTable =
    "create table metadata (name text, value text);"
    "insert into metadata values ('name', 'Hostile'), ('format', 'png');";
// A view in place of a table that counts for ever; `rows` filters what it gives.
std::string endless(const std::string& table, const std::string& values, const std::string& rows) {
    const std::string columns =
        table == "tiles" ? "zoom_level, tile_column, tile_row, tile_data" : "name, value";
    const std::string counting =
        "with recursive n(i) as (select 1 union all select i + 1 from n) select ";
    return "create view " + table + " (" + columns + ") as " + counting + values +
           " from n where " + rows + ";";
}

TEST(HostileMapFiles, AFifoWhereAFileIsMeantIsRefusedWithoutWaiting) {
    testing::TempDir dir;
    ASSERT_EQ(mkfifo((dir / "mapsources.xml").c_str(), 0600), 0);
    MapSources sources(MapService{}, dir / "mapsources.xml");
    EXPECT_EQ(sources.chosen().name, kStandardSource);
    ASSERT_EQ(sources.problems().size(), 1u);
    EXPECT_NE(sources.problems()[0].find("mapsources.xml: it is a FIFO"), std::string::npos)
        << sources.problems()[0];

    ASSERT_EQ(mkfifo((dir / "dropped.mbtiles").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir / "dropped.gpx").c_str(), 0600), 0);
    EXPECT_FALSE(meantAsMapFile(dir / "dropped.gpx"));
    std::string error;
    EXPECT_EQ(MbtilesFile::open(dir / "dropped.mbtiles", error), nullptr);
    EXPECT_NE(error.find("FIFO"), std::string::npos) << error;
}

// Endless views in place of the tables: the file is refused within its bounds, and one kept and
// chosen leaves the next start on the standard map, saying why.
TEST(HostileMapFiles, AnEndlessViewIsRefusedWithinItsBounds) {
    testing::TempDir dir;
    const fs::path silent =
        madeMap(dir / "silent.mbtiles", kTilesTable + endless("metadata", "'name', 'x'", "i < 0"));
    const fs::path rows =
        madeMap(dir / "rows.mbtiles", kTilesTable + endless("metadata", "'name', i", "1"));
    for (const auto& [file, reason] :
         {std::pair{silent, "took longer than"}, std::pair{rows, "more than 1000 rows"}}) {
        std::string error;
        const auto start = Clock::now();
        EXPECT_EQ(MbtilesFile::open(file, error), nullptr);
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
    testing::writeFile(dir / "mapsources.xml",
                       "<mapsources chosen=\"Silent\"><file name=\"Silent\" path=\"" +
                           silent.string() + "\"/></mapsources>");
    MapSources sources(MapService{}, dir / "mapsources.xml");
    EXPECT_EQ(sources.chosen().name, kStandardSource);
    ASSERT_EQ(sources.problems().size(), 2u);
    EXPECT_NE(sources.problems()[1].find("standard map is shown"), std::string::npos);

    // Over the tiles, the first tile ends the file's tiles at once, and every later one.
    std::string error;
    auto map = MbtilesFile::open(
        madeMap(dir / "tiles.mbtiles",
                kMetadataTable + endless("tiles", "0, 0, 0, x'89504e47'", "i < 0")),
        error);
    ASSERT_NE(map, nullptr) << error;
    auto start = Clock::now();
    EXPECT_EQ(map->tile(0, 0, 0), std::nullopt);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    EXPECT_NE(map->refusal().find("reading a tile took longer than"), std::string::npos);
    start = Clock::now();
    EXPECT_EQ(map->tile(0, 0, 0), std::nullopt);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
}

// One huge value answering every tile through a view, and a name and attribution no one reads
// to their end: the tile is refused, the texts are cut, in whole characters.
TEST(HostileMapFiles, ValuesLargerThanAnyMapsAreRefusedOrCut) {
    testing::TempDir dir;
    const std::string png = "x'89504e470d0a1a0a'";
    const std::string huge =
        "cast(" + png + " || zeroblob(" + std::to_string(kLargestTile + 1) + ") as blob)";
    const std::string real = "cast(" + png + " || zeroblob(1000) as blob)";
    std::string error;
    auto map = MbtilesFile::open(
        madeMap(dir / "huge.mbtiles",
                "create table metadata (name text, value text);"
                "insert into metadata values ('name', 'N' || replace(hex(zeroblob(2000)), '00', "
                "'\xc3\xa9')), ('attribution', replace(hex(zeroblob(1000000)), '00', 'a'));"
                "create table blobs (b blob); insert into blobs values (" +
                    huge + "), (" + real +
                    "); create view tiles (zoom_level, tile_column, tile_row, tile_data) as "
                    "select 1, c, 0, (select b from blobs where rowid = c + 1) from "
                    "(select 0 as c union all select 1);"),
        error);
    ASSERT_NE(map, nullptr) << error;
    EXPECT_EQ(map->tile(1, 0, 1), std::nullopt);
    ASSERT_TRUE(map->tile(1, 1, 1));
    EXPECT_EQ(map->tile(1, 1, 1)->size(), 1008u);
    const std::string ellipsis = "\xe2\x80\xa6";
    EXPECT_EQ(map->info().attribution, std::string(kLongestMapAttribution, 'a') + ellipsis);
    std::string name = "N";
    for (std::size_t i = 1; i < kLongestMapName; ++i) {
        name += "\xc3\xa9";
    }
    EXPECT_EQ(map->info().name, name + ellipsis);
}

}  // namespace
}  // namespace vandrel::map
