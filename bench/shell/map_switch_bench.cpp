// Switching the map source of the track map while a track that fills the logger (49,900
// points) is shown: the time from the choice to the new source's tiles on screen, and whether
// the track's line stayed as it was drawn.
//
// Sources: two offline map files of one colour each (blue, orange), made for the tiles around
// the shown track and dropped onto the map as a user adds them, and the topographic map from a
// local stand-in serving green tiles. The standard map asks a local address where nothing
// answers. Each run chooses blue, then the topographic map, then orange, as the choice on the
// map does (the page's chooseMapSource); the time ends at the first screen whose map area is
// mostly the new colour (screens are taken over the map area in a loop, a few milliseconds
// each). After every switch the page is asked for its line's layer id and point count
// (trackLineId, trackPointCount): a line drawn again would have a new id.
//
// VANDREL_BENCH_QUICK=1 makes one run. Run under xvfb-run; map_switch.sh beside this file
// builds it and prints the figures.

#include <cmath>
#include <numbers>

#include "map/map_sources.h"
#include "mbtiles_maker.h"
#include "shell_driver.h"
#include "tile_server.h"

namespace {

using namespace vandrel;
namespace fs = std::filesystem;

struct Rgb {
    int r, g, b;
};

// A tile of the colour, as PNG bytes.
std::string solidTile(Rgb c) {
    return gtk::solidTile(c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

// The answer of a function of the track map page, or "" when none came within a minute.
std::string ask(bench::Driver& d, const std::string& function,
                const std::vector<std::string>& args = {}) {
    auto said = std::make_shared<std::optional<std::string>>();
    map::mapWidget(d.trackPage())->callFunction(function, args, [said](bool, std::string result) {
        *said = std::move(result);
    });
    bench::pumpUntil([&] { return said->has_value(); });
    return said->value_or("");
}

// An offline map file of one colour with the tiles of zoom z around (x, y), as the map pages
// number them.
bool writeMapFile(const fs::path& path, const std::string& name, Rgb colour, int z, int x, int y) {
    const std::string png = solidTile(colour);
    std::vector<vandrel::testing::MbtilesTile> tiles;
    for (int dx = -6; dx <= 6; ++dx) {
        for (int dy = -5; dy <= 5; ++dy) {
            tiles.push_back({z, x + dx, y + dy, png});
        }
    }
    const std::string zoom = std::to_string(z);
    return vandrel::testing::writeMbtiles(
        path, {{"name", name}, {"format", "png"}, {"minzoom", zoom}, {"maxzoom", zoom}}, tiles);
}

// The share of the map area's pixels near the colour, from one screen of that area.
double shareOf(const ui::Rect& area, Rgb c) {
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), area.left, area.top,
                                                 area.width(), area.height());
    if (shot == nullptr) {
        return 0;
    }
    const int stride = gdk_pixbuf_get_rowstride(shot);
    const int channels = gdk_pixbuf_get_n_channels(shot);
    const guchar* pixels = gdk_pixbuf_get_pixels(shot);
    int near = 0;
    int all = 0;
    for (int y = 0; y < area.height(); y += 6) {
        for (int x = 0; x < area.width(); x += 6) {
            const guchar* p = pixels + y * stride + x * channels;
            near +=
                std::abs(p[0] - c.r) < 12 && std::abs(p[1] - c.g) < 12 && std::abs(p[2] - c.b) < 12;
            ++all;
        }
    }
    g_object_unref(shot);
    return all > 0 ? static_cast<double>(near) / all : 0;
}

struct Target {
    const char* name;
    Rgb colour;
    std::vector<double> times;
};

}  // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    const char* quick = g_getenv("VANDREL_BENCH_QUICK");
    const int runs = quick != nullptr && *quick != '\0' ? 1 : 7;
    char pattern[] = "/tmp/vandrel-bench-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    const int fullPoints = sim::pointsToFillLog(1)[0];
    Target targets[] = {{"Blue file", {51, 102, 204}, {}},
                        {map::kTopoSource, {102, 179, 77}, {}},
                        {"Orange file", {230, 128, 26}, {}}};
    gtk::TileServer topo(solidTile(targets[1].colour));
    g_setenv("VANDREL_TOPO_SERVICE", topo.address().c_str(), TRUE);
    int result = 1;
    if (const auto session = bench::sessionAfterTodaysDownloads(folder, 720)) {
        gtk::GtkShell shell(*session);
        shell.start();
        bench::Driver d(shell);
        bool ok = bench::pumpUntil([&] {
                      auto* host = shell.frame().pageHost();
                      return host != nullptr && shell.renderer().isReady(*host) &&
                             shell.renderer().isReady(*host->trackPage());
                  }) &&
                  d.click(d.host(), "tab2") && bench::pumpUntil([&] {
                      ui::BrowserHost* map = map::mapWidget(d.trackPage());
                      return d.trackPage().mapsLoaded() && map->isLoaded() &&
                             fs::path(map->address()).filename() == "tmaps.html";
                  }) &&
                  d.click(d.trackPage(), "today") &&
                  bench::pumpUntil([&] { return d.list(6000).rowCount() == 2; }) &&
                  d.show(1, fullPoints) >= 0;
        // The files hold the tiles of the zoom and place the track is shown at.
        const int z = std::atoi(ask(d, "mapZoom").c_str());
        double lat = 0;
        double lng = 0;
        ok = ok && std::sscanf(ask(d, "mapCenter").c_str(), "%lf,%lf", &lat, &lng) == 2;
        const double n = std::exp2(z);
        const double phi = lat * std::numbers::pi / 180;
        const int x = static_cast<int>((lng + 180) / 360 * n);
        const int y = static_cast<int>((1 - std::asinh(std::tan(phi)) / std::numbers::pi) / 2 * n);
        const fs::path blue = folder / "blue.mbtiles";
        const fs::path orange = folder / "orange.mbtiles";
        ok = ok && writeMapFile(blue, targets[0].name, targets[0].colour, z, x, y) &&
             writeMapFile(orange, targets[2].name, targets[2].colour, z, x, y);
        if (ok) {
            shell.dropFiles({blue, orange});
        }
        const ui::Element& mapElement = *d.trackPage().document().selectFirst("widget[id='2000']");
        // The map area on the screen, without its edges where the controls are.
        const auto [left, top] = d.pointIn(d.trackPage(), mapElement, 60, 60);
        int ox = 0;
        int oy = 0;
        gdk_window_get_origin(gtk_widget_get_window(d.view()), &ox, &oy);
        const ui::Rect area{ox + left, oy + top, ox + left + mapElement.location().width() - 120,
                            oy + top + mapElement.location().height() - 120};
        ok = ok && bench::pumpUntil([&] { return shareOf(area, targets[2].colour) > 0.8; });
        const std::string lineId = ask(d, "trackLineId");
        const std::string points = std::to_string(fullPoints);
        bool sameLine = !lineId.empty() && ask(d, "trackPointCount") == points;
        // One round unmeasured first: the first tiles of each source are read and decoded.
        for (int run = -1; ok && run < runs; ++run) {
            for (Target& target : targets) {
                const auto start = bench::Clock::now();
                ask(d, "chooseMapSource", {target.name});
                ok = bench::pumpUntil([&] { return shareOf(area, target.colour) > 0.8; });
                if (run >= 0) {
                    target.times.push_back(bench::msSince(start));
                }
                sameLine = sameLine && ask(d, "trackLineId") == lineId &&
                           ask(d, "trackPointCount") == points;
            }
        }
        if (ok) {
            for (const Target& target : targets) {
                std::printf("to %-12s runs_ms", target.name);
                for (double ms : target.times) {
                    std::printf(" %.0f", ms);
                }
                std::printf(" median_ms %.0f\n", bench::median(target.times));
            }
            std::printf("track line of %s points: %s (layer %s)\n", points.c_str(),
                        sameLine ? "the same layer after every switch" : "DRAWN AGAIN",
                        lineId.c_str());
            result = sameLine ? 0 : 1;
        } else {
            std::fprintf(stderr, "The track or a map source did not show within a minute\n");
        }
    } else {
        std::fprintf(stderr, "The download of the logger images failed\n");
    }
    fs::remove_all(folder);
    return result;
}
