// The map sources on the track page, after the track page's suite has drawn a track: the
// topographic map from a local stand-in, an offline map file read by the program, the scale
// bar in the settings' units, and a start whose maps cannot be read.

#include <fcntl.h>
#include <sys/stat.h>

#include <csignal>
#include <string>
#include <vector>

#include "gtk_shell/track_page_stage.h"
#include "map/map_sources.h"
#include "mbtiles_maker.h"
#include "platform/gtk/shell/file_drop.h"

namespace vandrel::gtk {
namespace {

constexpr Rgb kTopoGreen{102, 179, 77};
constexpr Rgb kFileBlue{51, 102, 204};

// The share of the map's pixels near a colour, in percent.
int percentOf(GdkPixbuf* shot, Rgb colour) {
    const ui::Rect box = screenBox(shot, mapElement());
    return 100 * pixelsNear(shot, mapElement(), colour) / std::max(1, box.width() * box.height());
}

::testing::AssertionResult chooseSource(const std::string& name) {
    return mapAnswers(trackPage(), "chooseMapSource", {name},
                      [](const std::string&) { return true; });
}

std::string centreNow() {
    std::string said;
    EXPECT_TRUE(mapAnswers(
        trackPage(), "mapCenter", {}, [](const std::string& t) { return latLng(t).has_value(); },
        &said));
    return said;
}

TEST(MapSources, TheTopographicMapIsAskedAsTheProgramAndKeepsTheTrackInPlace) {
    ASSERT_NE(stage->topo, nullptr);
    ASSERT_TRUE(mapLineHolds(600));
    const std::string before = centreNow();
    ASSERT_TRUE(chooseSource(map::kTopoSource));
    EXPECT_TRUE(screenUntil("map-topographic", [](GdkPixbuf* shot) {
        return percentOf(shot, kTopoGreen) > 40 &&
               pixelsNear(shot, mapElement(), {212, 32, 32}) > 50;
    }));
    EXPECT_TRUE(mapLineHolds(600));
    const std::optional<LatLng> at = latLng(before);
    ASSERT_TRUE(at);
    EXPECT_TRUE(samePlace(centreNow(), at->lat, at->lng));
    ASSERT_FALSE(stage->topo->tileAgents().empty());
    for (const std::string& agent : stage->topo->tileAgents()) {
        EXPECT_NE(agent.find("Vandrel/"), std::string::npos) << agent;
    }
    // The choice is kept for the next start.
    EXPECT_TRUE(pumpUntil([] {
        return testing::readFile(stage->dir / "mapsources.xml").find("chosen=\"OpenTopoMap\"") !=
               std::string::npos;
    }));
}

TEST(MapSources, AnOfflineFileShowsItsOwnTilesWithItsBoundsAndZoomRange) {
    ASSERT_TRUE(chooseSource("Blue world"));
    std::string said;
    EXPECT_TRUE(mapAnswers(
        trackPage(), "shownSource", {},
        [](const std::string& t) { return t.rfind("Blue world|", 0) == 0; }, &said));
    EXPECT_EQ(said, "Blue world|0|3|-170,-80,170,80");
    // Past the file's zoom range the outline shows; zoomed out into it with the keyboard (the
    // map has the focus once clicked), the file's tiles show around the track.
    const ui::Rect box = mapElement().location();
    clickAt(pointIn(trackPage(), mapElement(), 80, box.height() - 80));
    for (int i = 0; i < 12; ++i) {
        pressKey(stage->shell->window(), GDK_KEY_minus);
        pump(300);
    }
    EXPECT_TRUE(mapAnswers(
        trackPage(), "mapZoom", {}, [](const std::string& t) { return std::atoi(t.c_str()) <= 3; },
        &said))
        << said;
    EXPECT_TRUE(screenUntil("map-offline-file",
                            [](GdkPixbuf* shot) { return percentOf(shot, kFileBlue) > 40; }));
    EXPECT_TRUE(mapLineHolds(600));
}

TEST(MapSources, TheScaleBarShowsTheSettingsUnits) {
    std::string metric;
    EXPECT_TRUE(mapAnswers(
        trackPage(), "scaleText", {},
        [](const std::string& t) { return t.ends_with(" m") || t.ends_with(" km"); }, &metric))
        << metric;
    session().settings.Length = 1;
    session().tracksChanged.notify({});
    std::string imperial;
    EXPECT_TRUE(mapAnswers(
        trackPage(), "scaleText", {},
        [](const std::string& t) { return t.ends_with(" ft") || t.ends_with(" mi"); }, &imperial))
        << imperial;
    session().settings.Length = 0;
    session().tracksChanged.notify({});
}

// Whether a window of that process is on the screen, as the window manager lists them.
bool windowOf(GPid pid) {
    GList* stack = gdk_screen_get_window_stack(gdk_screen_get_default());
    bool found = false;
    for (GList* w = stack; w != nullptr; w = w->next) {
        guchar* data = nullptr;
        gint length = 0;
        if (gdk_property_get(GDK_WINDOW(w->data), gdk_atom_intern_static_string("_NET_WM_PID"),
                             gdk_atom_intern_static_string("CARDINAL"), 0, 1, FALSE, nullptr,
                             nullptr, &length, &data) &&
            length >= static_cast<gint>(sizeof(long))) {
            found = found || *reinterpret_cast<long*>(data) == pid;
        }
        g_free(data);
    }
    g_list_free_full(stack, g_object_unref);
    return found;
}

// A start whose maps cannot be read (mapsources.xml a FIFO, the map asked for an endless view)
// opens its window on the standard map, says why, and ends at SIGTERM.
TEST(MapSources, AStartWithMapsThatCannotBeReadOpensOnTheStandardMapAndEndsAtSigterm) {
    testing::TempDir folder;
    ASSERT_EQ(mkfifo((folder / "mapsources.xml").c_str(), 0600), 0);
    const fs::path endless = folder / "endless.mbtiles";
    ASSERT_TRUE(testing::writeMbtiles(endless, {}, {}));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(endless.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db,
                           "drop table metadata; create view metadata (name, value) as with "
                           "recursive n(i) as (select 1 union all select i + 1 from n) "
                           "select 'name', i from n where i < 0;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const std::string program = std::string(VANDREL_BIN_DIR) + "/vandrel";
    const std::string dir = folder.path().string();
    const char* argv[] = {program.c_str(), "--data-dir",    dir.c_str(),
                          "--map",         endless.c_str(), nullptr};
    const fs::path said = folder / "stderr.txt";
    const int err = ::open(said.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    GPid pid = 0;
    ASSERT_TRUE(g_spawn_async_with_fds(nullptr, const_cast<gchar**>(argv), nullptr,
                                       G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid, -1, -1,
                                       err, nullptr));
    ::close(err);
    int status = -1;
    g_child_watch_add(
        pid, [](GPid, gint s, gpointer p) { *static_cast<int*>(p) = s; }, &status);
    EXPECT_TRUE(pumpUntil([&] { return windowOf(pid) || status != -1; }, 45000));
    if (GdkPixbuf* shot = screenshot("map-start-unreadable")) {
        g_object_unref(shot);
    }
    const std::string text = testing::readFile(said);
    EXPECT_NE(text.find("mapsources.xml: it is a FIFO"), std::string::npos) << text;
    EXPECT_NE(text.find("endless.mbtiles is not an offline map file (MBTiles): reading its "
                        "metadata took longer"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("The standard map is shown."), std::string::npos) << text;
    ::kill(pid, SIGTERM);
    EXPECT_TRUE(pumpUntil([&] { return status != -1; }, 20000));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    if (status == -1) {
        ::kill(pid, SIGKILL);
        (void)pumpUntil([&] { return status != -1; }, 5000);
    }
}

// Last, as its import refreshes the track page; the map is zoomed out into the files' range by
// the test of the offline file above.
TEST(MapSources, AMapFileDroppedWithATrackFileShowsItsTilesAndTheTrackIsStored) {
    std::vector<testing::MbtilesTile> tiles;
    const std::string orange = solidTile(0.9, 0.5, 0.1);
    for (int z = 0; z <= 3; ++z) {
        for (int x = 0; x < (1 << z); ++x) {
            for (int y = 0; y < (1 << z); ++y) {
                tiles.push_back({z, x, y, orange});
            }
        }
    }
    const fs::path map = stage->dir / "dropped" / "orange.mbtiles";
    fs::create_directories(map.parent_path());
    ASSERT_TRUE(testing::writeMbtiles(
        map, {{"name", "Orange world"}, {"format", "png"}, {"maxzoom", "3"}}, tiles));
    const fs::path track = stage->dir / "dropped" / "walk.gpx";
    testing::writeFile(track,
                       "<?xml version=\"1.0\"?><gpx version=\"1.1\"><trk><trkseg>"
                       "<trkpt lat=\"47.1\" lon=\"8.5\"><time>2020-05-01T10:00:00Z</time></trkpt>"
                       "<trkpt lat=\"47.2\" lon=\"8.5\"><time>2020-05-01T10:10:00Z</time></trkpt>"
                       "</trkseg></trk></gpx>");
    // What the window's drop handler hands on for a text/uri-list naming both files.
    std::string notice;
    auto answer = answerWithEnter(notice);
    const std::string uris = "file://" + track.string() + "\r\nfile://" + map.string() + "\r\n";
    stage->shell->dropFiles(droppedPaths(uris.c_str()));
    ASSERT_TRUE(pumpUntil([&] { return !notice.empty() && stage->shell->boxWindow() == nullptr; }));
    EXPECT_EQ(notice, "1 track stored");
    std::string said;
    EXPECT_TRUE(mapAnswers(
        trackPage(), "shownSource", {},
        [](const std::string& t) { return t.rfind("Orange world|", 0) == 0; }, &said))
        << said;
    EXPECT_TRUE(screenUntil("map-dropped-file", [](GdkPixbuf* shot) {
        return percentOf(shot, {230, 128, 26}) > 40;
    }));
    // Kept for the next start, and chosen.
    const std::string kept = testing::readFile(stage->dir / "mapsources.xml");
    EXPECT_NE(kept.find("chosen=\"Orange world\""), std::string::npos) << kept;

    // A damaged map file is refused as the Settings page refuses it.
    const fs::path broken = stage->dir / "dropped" / "broken.mbtiles";
    testing::writeFile(broken, "SQLite format 3");
    notice.clear();
    answer = answerWithEnter(notice);
    const std::string uri = "file://" + broken.string() + "\r\n";
    stage->shell->dropFiles(droppedPaths(uri.c_str()));
    ASSERT_TRUE(pumpUntil([&] { return !notice.empty() && stage->shell->boxWindow() == nullptr; }));
    EXPECT_NE(notice.find("is not an offline map file (MBTiles)"), std::string::npos) << notice;
}

}  // namespace
}  // namespace vandrel::gtk
