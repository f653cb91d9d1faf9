#pragma once
// What the desktop program's benchmarks share: a program folder whose database holds tracks
// downloaded from simulated loggers by the program's own flow, waits with a deadline, the
// pointer and the screen as a person meets them, and the memory of the program with its web
// processes. Run under xvfb-run.

#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/page_host.h"
#include "flows/download_device_logs.h"
#include "flows/session.h"
#include "gtk/glib_pump.h"
#include "map/map_widget.h"
#include "platform/gtk/shell/gtk_shell.h"
#include "scripted_prompt.h"
#include "tools/sim/logger_image.h"
#include "ui/browser_host.h"
#include "ui/element.h"
#include "ui/list_view.h"

namespace vandrel::bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 60000) {
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

inline void pump(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    pumpUntil([&] { return Clock::now() > end; });
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// One logger image holding the tracks, downloaded into the database by the program's flow.
inline bool download(const fs::path& folder, const std::string& name,
                     const std::vector<sim::SimTrack>& tracks) {
    sim::LoggerImage image;
    image.writeLog(tracks);
    const fs::path path = folder / name;
    std::string error;
    if (!image.save(path, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    Session session{DataFolder(folder)};
    session.useDevice(path.string());
    session.openStore();
    testing::ScriptedPrompt prompt;
    return DownloadDeviceLogs(prompt, session).complete();
}

// Today in the stored times of a logger at UTC, downloaded into the program folder: a track of
// `smallPoints` from 01:00, then one filling the whole log from 03:00 (row 1 of the day list).
inline bool downloadTodaysTracks(const fs::path& folder, int smallPoints) {
    const std::time_t now = std::time(nullptr);
    std::tm day{};
    localtime_r(&now, &day);
    day.tm_hour = 1;
    day.tm_min = 0;
    day.tm_sec = 0;
    const std::int64_t start = timegm(&day);
    return download(folder, "small.img", sim::generateTracks(1, smallPoints, start, 5, 0)) &&
           download(folder, "full.img",
                    sim::generateTracks(sim::pointsToFillLog(1), start + 2 * 3600, 5, 0, 9));
}

// The program as the user starts it after today's downloads into `folder`, the full log's
// logger plugged in, its map pages asking a local address where nothing answers; null when a
// download failed.
inline std::unique_ptr<Session> sessionAfterTodaysDownloads(const fs::path& folder,
                                                            int smallPoints) {
    g_setenv("VANDREL_MAP_SERVICE", "http://127.0.0.1:9/", TRUE);
    g_unsetenv("VANDREL_GEOCODER");
    if (!downloadTodaysTracks(folder, smallPoints)) {
        return nullptr;
    }
    auto session = std::make_unique<Session>(DataFolder(folder));
    session->useDevice((folder / "full.img").string());
    return session;
}

inline long rssKb(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return 0;
}

// This process and every process below it (WebKit's web and network processes).
inline long treeRssKb() {
    const int self = getpid();
    long total = rssKb(self);
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat(entry.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        const auto close = text.rfind(')');
        int ppid = 0;
        if (close != std::string::npos &&
            std::sscanf(text.c_str() + close + 2, "%*c %d", &ppid) == 1 && ppid == self) {
            total += rssKb(std::stoi(name));
        }
    }
    return total;
}

class Driver {
  public:
    explicit Driver(gtk::GtkShell& shell) : shell_(shell) {}

    app::PageHost& host() { return *shell_.frame().pageHost(); }
    tracks::CPageTrack& trackPage() { return *host().trackPage(); }
    ui::ListView& list(int id) {
        ui::HtmlWindow& page = trackPage();
        return *dynamic_cast<ui::ListView*>(
            page.control(*page.document().selectFirst("widget[id='" + std::to_string(id) + "']")));
    }
    GtkWidget* view() { return gtk_bin_get_child(GTK_BIN(shell_.window())); }

    // A point of an element of a page in the main window.
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

    // The centre of a row of the track page's day list.
    std::pair<int, int> rowCentre(int row) {
        ui::ListView& days = list(6000);
        const ui::Element& e = *days.element();
        return pointIn(
            trackPage(), e, e.location().width() / 2,
            days.headerHeight() + row * days.rowHeight() + days.rowHeight() / 2 - days.scrollTop());
    }

    void button(std::pair<int, int> at, GdkEventType type) {
        testing::sendButton(view(), at, type);
    }
    void wheelDown(std::pair<int, int> at) { testing::sendWheelDown(view(), at); }

    // The double click on the row that shows its track, pressed as a user does.
    void doubleClick(int row) {
        const auto at = rowCentre(row);
        button(at, GDK_BUTTON_PRESS);
        pump(30);
        button(at, GDK_BUTTON_RELEASE);
        pump(30);
        button(at, GDK_2BUTTON_PRESS);
        button(at, GDK_BUTTON_RELEASE);
    }

    // Milliseconds from the double click's second press on the day list's row to the map page
    // holding its line.
    double show(int row, int points) {
        const auto at = rowCentre(row);
        button(at, GDK_BUTTON_PRESS);
        pump(30);
        button(at, GDK_BUTTON_RELEASE);
        pump(30);
        const auto start = Clock::now();
        button(at, GDK_2BUTTON_PRESS);
        button(at, GDK_BUTTON_RELEASE);
        return waitForLine(points) ? msSince(start) : -1;
    }

    // The map page's line's point count, asked once.
    int linePoints() {
        auto said = std::make_shared<int>(-2);
        map::mapWidget(trackPage())
            ->callFunction("trackPointCount", {},
                           [said](bool, std::string result) { *said = std::atoi(result.c_str()); });
        pumpUntil([&] { return *said != -2; });
        return *said;
    }

    // Asks the map page for its line's point count until it names `points`.
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

  private:
    gtk::GtkShell& shell_;
};

}  // namespace vandrel::bench
