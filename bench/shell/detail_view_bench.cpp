// The Detail view of the track page as a person meets it: the time from the press on "Detail"
// to the first rows of the shown track's points on screen, the time from one notch of the wheel
// over the list to the screen showing the rows further down, and the memory of the program
// with its web processes, for a track of 720 points and one that fills the logger (49,900).
// Run under xvfb-run; detail_view.sh beside this file builds it and prints the figures.

#include <algorithm>
#include <ctime>

#include "core/program_path.h"
#include "map/map_service.h"
#include "process_cpu.h"
#include "shell_driver.h"

namespace {

using namespace vandrel;
using namespace vandrel::bench;

constexpr int kScrollSteps = 20;

// What the screen shows in the rectangle, reduced to a number that changes when its rows do.
long screenDigest(const ui::Rect& r, int* darkPixels = nullptr) {
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), r.left, r.top,
                                                 r.width(), r.height());
    if (shot == nullptr) {
        return 0;
    }
    const int stride = gdk_pixbuf_get_rowstride(shot);
    const int channels = gdk_pixbuf_get_n_channels(shot);
    const guchar* pixels = gdk_pixbuf_get_pixels(shot);
    long digest = 0;
    int dark = 0;
    for (int y = 0; y < r.height(); ++y) {
        for (int x = 0; x < r.width(); ++x) {
            const guchar* p = pixels + y * stride + x * channels;
            if (p[0] < 80 && p[1] < 80 && p[2] < 80) {
                ++dark;
                digest = digest * 31 + y * 4099 + x;
            }
        }
    }
    g_object_unref(shot);
    if (darkPixels != nullptr) {
        *darkPixels = dark;
    }
    return digest;
}

struct Figures {
    double openMs = -1;
    std::vector<double> notchMs;  // one notch at a time, as a hand turns the wheel
    std::vector<double> burstMs;  // notches back to back, as a flick of the wheel sends them
    vandrel::testing::ProcessCpu cpuPerNotch;  // the work of one notch, in milliseconds
    long rssKb = 0;
};

// Runs the main loop for ms without polling, so that the waiting costs no processor time.
void idleFor(int ms) {
    bool over = false;
    g_timeout_add(
        ms, [](gpointer done) { return *static_cast<bool*>(done) = true, G_SOURCE_REMOVE; }, &over);
    while (!over) {
        g_main_context_iteration(nullptr, TRUE);
    }
}

// The processor time of kNotches notches, a tenth of a second apart, less that of the same
// time idle: what one notch costs however busy the machine is.
vandrel::testing::ProcessCpu cpuPerNotch(Driver& d, std::pair<int, int> over) {
    constexpr int kNotches = 40;
    idleFor(1500);  // the steps before have settled
    const auto idleStart = vandrel::testing::processCpu();
    idleFor(kNotches * 100);
    const auto idle = vandrel::testing::processCpu() - idleStart;
    const auto start = vandrel::testing::processCpu();
    for (int notch = 0; notch < kNotches; ++notch) {
        d.wheelDown(over);
        idleFor(100);
    }
    const auto used = vandrel::testing::processCpu() - start - idle;
    const double perNotchMs = 1000.0 / kNotches;
    return {used.program * perNotchMs, used.web * perNotchMs, used.other * perNotchMs};
}

// The list's rows below its header, in screen coordinates (the window sits at the origin).
ui::Rect rowsOnScreen(Driver& d, ui::ListView& list) {
    const ui::Element& e = *list.element();
    const auto [x, y] = d.pointIn(d.trackPage(), e, 0, list.headerHeight());
    return {x, y, x + std::min(e.location().width(), 600), y + 5 * list.rowHeight()};
}

Figures measure(Driver& d, int row, int points) {
    Figures f;
    if (d.show(row, points) < 0) {
        return f;
    }
    ui::ListView& list = d.list(6001);
    pump(300);
    const auto start = Clock::now();
    if (!d.click(d.trackPage(), "funcpage2")) {
        return f;
    }
    // Rows of text stand where the map was.
    const bool shown = pumpUntil([&] {
        const ui::Rect rows = rowsOnScreen(d, list);
        int dark = 0;
        if (!rows.isEmpty()) {
            screenDigest(rows, &dark);
        }
        return dark > 200;
    });
    if (!shown) {
        return f;
    }
    f.openMs = msSince(start) - 60;  // less the pauses inside the click
    const ui::Rect rows = rowsOnScreen(d, list);
    const auto over = std::make_pair((rows.left + rows.right) / 2, (rows.top + rows.bottom) / 2);
    // A notch sent the moment the previous one shows waits for the display's next frame: the
    // window is drawn at most 60 times a second. Back to back, the steps measure whether the
    // view keeps up with that rate; after a pause, how soon one notch shows.
    // The screen is read only after the window has drawn, so that reading it does not take the
    // processor from the drawing it waits for. A step ends when the X server has done all the
    // window asked of it, which is when the rows show; reading them back to see that they moved
    // takes nearly 2 ms of its own, which is the benchmark's and not the program's.
    int draws = 0;
    gboolean (*countDraw)(GtkWidget*, cairo_t*, gpointer) = [](GtkWidget*, cairo_t*, gpointer n) {
        ++*static_cast<int*>(n);
        return FALSE;
    };
    const gulong drawn = g_signal_connect_after(d.view(), "draw", G_CALLBACK(countDraw), &draws);
    for (auto* steps : {&f.notchMs, &f.burstMs}) {
        for (int step = 0; step < kScrollSteps; ++step) {
            if (steps == &f.notchMs) {
                pump(100);
            }
            const long before = screenDigest(rows);
            int seen = draws;
            const auto at = Clock::now();
            auto shownAt = at;
            d.wheelDown(over);
            const bool moved = pumpUntil(
                [&] {
                    if (draws == seen) {
                        return false;
                    }
                    seen = draws;
                    gdk_display_sync(gdk_display_get_default());
                    shownAt = Clock::now();
                    return screenDigest(rows) != before;
                },
                5000);
            if (!moved) {
                break;
            }
            steps->push_back(std::chrono::duration<double, std::milli>(shownAt - at).count());
        }
    }
    g_signal_handler_disconnect(d.view(), drawn);
    f.cpuPerNotch = cpuPerNotch(d, over);
    f.rssKb = treeRssKb();
    d.click(d.trackPage(), "funcpage1");
    pump(300);
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    char pattern[] = "/tmp/vandrel-bench-XXXXXX";
    const fs::path folder = mkdtemp(pattern);

    const int sizes[2] = {720, sim::pointsToFillLog(1)[0]};
    int result = 1;
    if (const auto session = sessionAfterTodaysDownloads(folder, sizes[0])) {
        gtk::GtkShell shell(*session);
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
                return d.trackPage().mapsLoaded() && map->isEnabled() && map->isLoaded();
            }) &&
            d.click(d.trackPage(), "today") &&
            pumpUntil([&] { return d.list(6000).rowCount() == 2; });
        if (!ready) {
            std::fprintf(stderr, "The track page did not list the two tracks\n");
        } else {
            result = 0;
            for (int row : {0, 1}) {
                const Figures f = measure(d, row, sizes[row]);
                if (f.openMs < 0 || f.notchMs.size() != kScrollSteps ||
                    f.burstMs.size() != kScrollSteps) {
                    std::fprintf(stderr, "The Detail view of %d points did not show or scroll\n",
                                 sizes[row]);
                    result = 1;
                    continue;
                }
                // A step over 16 ms misses a frame of a 60 Hz display: the scroll stutters.
                const auto late = std::count_if(f.notchMs.begin(), f.notchMs.end(),
                                                [](double ms) { return ms > 16; });
                std::printf(
                    "points %d open_ms %.0f notch_median_ms %.1f notch_max_ms %.1f "
                    "notches_over_16ms %ld/%zu burst_step_median_ms %.1f "
                    "notch_cpu_ms program %.1f web %.1f other %.1f rss_with_web_processes_kb %ld\n",
                    sizes[row], f.openMs, median(f.notchMs),
                    *std::max_element(f.notchMs.begin(), f.notchMs.end()), static_cast<long>(late),
                    f.notchMs.size(), median(f.burstMs), f.cpuPerNotch.program, f.cpuPerNotch.web,
                    f.cpuPerNotch.other, f.rssKb);
            }
        }
    } else {
        std::fprintf(stderr, "The download of the logger images failed\n");
    }
    fs::remove_all(folder);
    return result;
}
