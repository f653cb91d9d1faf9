// Showing a track on the map in the desktop program: the time from the double click on a row of
// the track page's day list to the map page holding the track's line (asked with
// trackPointCount() until it names the track's point count), for a track that fills the
// logger (49,900 points) and one of 1,000 points. The map service is a local address where
// nothing answers, so the map page draws over its built-in outline and no tile is waited for.
// Run under xvfb-run; track_draw.sh beside this file builds it and prints the medians.

#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/page_host.h"
#include "core/program_path.h"
#include "device/device_volume.h"
#include "flows/app_data.h"
#include "flows/download_device_logs.h"
#include "map/map_service.h"
#include "map/map_widget.h"
#include "platform/gtk/shell/gtk_shell.h"
#include "scripted_prompt.h"
#include "store/sqlite_db.h"
#include "tools/sim/logger_image.h"
#include "ui/browser_host.h"
#include "ui/element.h"
#include "ui/list_view.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace vandrel;

constexpr int kRuns = 7;

bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 60000) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > end) {
            return false;
        }
        if (!g_main_context_iteration(nullptr, FALSE)) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    return true;
}

void pump(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    pumpUntil([&] { return Clock::now() > end; });
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One logger image holding the tracks, downloaded into the database by the program's flow.
bool download(const fs::path& folder, const std::string& name,
              const std::vector<sim::SimTrack>& tracks) {
    sim::LoggerImage image;
    image.writeLog(tracks);
    const fs::path path = folder / name;
    std::string error;
    if (!image.save(path, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    DeviceVolume::instance().setDevicePath(path.string());
    testing::ScriptedPrompt prompt;
    TrackDatabase& db = TrackDatabase::instance();
    db.openStore();
    const bool stored =
        DownloadDeviceLogs(prompt, db, DeviceSettings{}).outcome == DownloadOutcome::Complete;
    db.close();
    return stored;
}

class Driver {
  public:
    explicit Driver(gtk::GtkShell& shell) : shell_(shell) {}

    app::PageHost& host() { return *shell_.frame().pageHost(); }
    tracks::CPageTrack& trackPage() { return *host().trackPage(); }
    ui::ListView& list() {
        ui::HtmlWindow& page = trackPage();
        return *dynamic_cast<ui::ListView*>(
            page.control(*page.document().selectFirst("widget[id='6000']")));
    }

    // A point of an element in the main window.
    std::pair<int, int> pointIn(ui::HtmlWindow& page, const ui::Element& e, int dx, int dy) {
        const ui::Rect main = shell_.frame().document().selectFirst("#framepage")->location();
        int x = main.left + e.location().left + dx;
        int y = main.top + e.location().top + dy;
        if (&page != &host()) {
            const ui::Rect pages = host().document().selectFirst("#pages")->location();
            x += pages.left;
            y += pages.top;
        }
        return {x, y};
    }

    bool click(ui::HtmlWindow& page, const std::string& id) {
        const ui::Element* e = page.document().selectFirst("#" + id);
        if (!pumpUntil([&] { return !e->location().isEmpty(); })) {
            return false;
        }
        const auto at = pointIn(page, *e, e->location().width() / 2, e->location().height() / 2);
        button(at, GDK_BUTTON_PRESS);
        pump(30);
        button(at, GDK_BUTTON_RELEASE);
        pump(30);
        return true;
    }

    std::pair<int, int> rowCentre(int row) {
        const ui::Element& e = *list().element();
        return pointIn(trackPage(), e, e.location().width() / 2,
                       list().headerHeight() + row * list().rowHeight() + list().rowHeight() / 2 -
                           list().scrollTop());
    }

    void button(std::pair<int, int> at, GdkEventType type) {
        GtkWidget* view = gtk_bin_get_child(GTK_BIN(shell_.window()));
        GdkWindow* window = gtk_widget_get_window(view);
        GdkEvent* event = gdk_event_new(type);
        event->button.window = GDK_WINDOW(g_object_ref(window));
        event->button.send_event = TRUE;
        event->button.time = GDK_CURRENT_TIME;
        event->button.x = at.first;
        event->button.y = at.second;
        event->button.button = 1;
        event->button.state = type == GDK_BUTTON_RELEASE ? GDK_BUTTON1_MASK : 0;
        int ox = 0;
        int oy = 0;
        gdk_window_get_origin(window, &ox, &oy);
        event->button.x_root = ox + at.first;
        event->button.y_root = oy + at.second;
        gdk_event_set_device(
            event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
        gtk_main_do_event(event);
        gdk_event_free(event);
    }

    // Asks the map page for its line's point count until it names `points`, asking again as
    // soon as each answer is in.
    bool waitForLine(int points) {
        auto said = std::make_shared<int>(-1);
        auto waiting = std::make_shared<bool>(false);
        return pumpUntil([&] {
            if (!*waiting) {
                *waiting = map::mapWidget(trackPage())
                               ->callFunction("trackPointCount", {},
                                              [said, waiting](bool, std::string result) {
                                                  *said = std::atoi(result.c_str());
                                                  *waiting = false;
                                              });
            }
            return *said == points;
        });
    }

    // Milliseconds from the double click's second press to the line on the map page.
    double show(int row, int points) {
        const auto at = rowCentre(row);
        button(at, GDK_BUTTON_PRESS);
        pump(30);
        button(at, GDK_BUTTON_RELEASE);
        pump(30);
        const auto start = Clock::now();
        button(at, GDK_2BUTTON_PRESS);
        button(at, GDK_BUTTON_RELEASE);
        if (!waitForLine(points)) {
            return -1;
        }
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }

  private:
    gtk::GtkShell& shell_;
};

}  // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    char pattern[] = "/tmp/vandrel-bench-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    setProgramFolder(folder);
    map::mapService() = map::MapService::fromSetting("http://127.0.0.1:9/");
    g_unsetenv("VANDREL_MAP_SERVICE");

    // Today, in the stored times of a logger at UTC: 1,000 points from 01:00, then a track
    // filling the whole log from 03:00.
    const std::time_t now = std::time(nullptr);
    std::tm day{};
    localtime_r(&now, &day);
    day.tm_hour = 1;
    day.tm_min = 0;
    day.tm_sec = 0;
    const std::int64_t start = timegm(&day);
    const std::vector<int> full = sim::pointsToFillLog(1);
    const int sizes[2] = {1000, full[0]};
    int result = 1;
    if (download(folder, "small.img", sim::generateTracks(1, sizes[0], start, 5, 0)) &&
        download(folder, "full.img", sim::generateTracks(full, start + 2 * 3600, 5, 0, 9))) {
        gtk::GtkShell shell;
        shell.start();
        Driver d(shell);
        auto& renderer = shell.renderer();
        const bool ready =
            pumpUntil([&] {
                auto* host = shell.frame().pageHost();
                return host != nullptr && renderer.isReady(shell.frame()) &&
                       renderer.isReady(*host) && renderer.isReady(*host->trackPage());
            }) &&
            d.click(d.host(), "tab2") && pumpUntil([&] {
                ui::BrowserHost* map = map::mapWidget(d.trackPage());
                return AppData::instance().MapsLoaded && map->isEnabled() && map->isLoaded() &&
                       fs::path(map->address()).filename() == "tmaps.html";
            }) &&
            d.click(d.trackPage(), "today") && pumpUntil([&] { return d.list().rowCount() == 2; });
        if (!ready) {
            std::fprintf(stderr, "The track page did not list the two tracks\n");
        } else {
            // One run of each first, unmeasured: the page's first parse and draw.
            std::vector<double> times[2];
            bool ok = d.show(1, sizes[1]) >= 0 && d.show(0, sizes[0]) >= 0;
            for (int run = 0; ok && run < kRuns; ++run) {
                // Alternating, so that each wait is for a line the page did not hold.
                for (int row : {1, 0}) {
                    const double ms = d.show(row, sizes[row]);
                    ok = ok && ms >= 0;
                    times[row].push_back(ms);
                }
            }
            if (ok) {
                for (int row : {1, 0}) {
                    std::printf("points %d runs_ms", sizes[row]);
                    for (double ms : times[row]) {
                        std::printf(" %.0f", ms);
                    }
                    std::printf(" median_ms %.0f\n", median(times[row]));
                }
                result = 0;
            } else {
                std::fprintf(stderr, "The map page did not show a track within a minute\n");
            }
        }
    } else {
        std::fprintf(stderr, "The download of the logger images failed\n");
    }
    fs::remove_all(folder);
    return result;
}
