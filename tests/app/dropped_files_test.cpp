// Files dropped onto the window go where they are meant for: offline map files (by their name or
// by being SQLite databases) to the maps, everything else to the track import.

#include "app/dropped_files.h"

#include <gtest/gtest.h>

#include "mbtiles_maker.h"
#include "test_support.h"

namespace vandrel::app {
namespace {

using namespace vandrel::testing;

TEST(DroppedFiles, MapFilesGoToTheMapsByNameOrContentAndTheRestToTheImport) {
    TempDir dir;
    ASSERT_TRUE(writeMbtiles(dir / "alps.db", {{"name", "Alps"}}, {}));
    writeFile(dir / "Broken.MBTILES", "not a map");
    writeFile(dir / "walk.gpx", "<gpx/>");
    writeFile(dir / "notes.db", "SQLite format 2");
    const DroppedFiles sorted = sortDroppedFiles(
        {dir / "walk.gpx", dir / "alps.db", dir / "notes.db", dir / "Broken.MBTILES"});
    EXPECT_EQ(sorted.maps,
              (std::vector<std::filesystem::path>{dir / "alps.db", dir / "Broken.MBTILES"}));
    EXPECT_EQ(sorted.tracks,
              (std::vector<std::filesystem::path>{dir / "walk.gpx", dir / "notes.db"}));
}

}  // namespace
}  // namespace vandrel::app
