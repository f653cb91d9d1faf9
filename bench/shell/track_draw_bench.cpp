// Showing a track on the map in the desktop program, for a track that fills the logger (49,900
// points) and one of 720 points. The map service is a local address where nothing answers, so
// the map page draws over its built-in outline and no tile is waited for.
//
// Time: from the double click on a row of the track page's day list to the map page holding
// the track's line (asked with trackPointCount() until it names the track's point count).
//
// CPU: the seconds of CPU (utime + stime of /proc/PID/stat) of the program, of its WebKit web
// processes and of its other child processes (the network process, the sandbox's helpers), for
// showing each track (from the first press of the double click on its row), for clearing the
// map (the page calls the track page makes to clear it), and for a click on "Today" (the day
// listed again: its tracks read, the list, the profile and the map cleared); each from the
// action until 8 s later, and then in the 3 s after those, when nothing should run any more.
// While it measures CPU the benchmark waits without asking the page anything and sleeps in the
// main loop, so that its own waiting costs nothing. The medians of three runs are printed.
//
// VANDREL_BENCH_QUICK=1 makes one run of each; VANDREL_BENCH_TIMELINE=1 also prints the CPU of
// all processes in each 250 ms of each window.
//
// Run under xvfb-run; track_draw.sh beside this file builds it and prints the figures.

#include <ctime>

#include "core/program_path.h"
#include "map/map_service.h"
#include "process_cpu.h"
#include "shell_driver.h"

namespace {

using namespace vandrel;
namespace fs = std::filesystem;

// Runs of each measure; VANDREL_BENCH_QUICK makes them one.
int timeRuns = 7;
int cpuRuns = 3;
constexpr int kSettleMs = 8000;
constexpr int kIdleMs = 3000;
constexpr int kTimelineMs = 250;

// Runs the main loop for a while, sleeping in it when nothing is to be done; with a timeline,
// the CPU of all processes is taken every kTimelineMs.
void pump(int ms, std::vector<double>* timeline = nullptr) {
    bool over = false;
    g_timeout_add(
        static_cast<guint>(ms),
        [](gpointer flag) -> gboolean {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &over);
    guint tick = 0;
    if (timeline != nullptr) {
        timeline->push_back(vandrel::testing::processCpu().total());
        tick = g_timeout_add(
            kTimelineMs,
            [](gpointer samples) -> gboolean {
                static_cast<std::vector<double>*>(samples)->push_back(
                    vandrel::testing::processCpu().total());
                return G_SOURCE_CONTINUE;
            },
            timeline);
    }
    while (!over) {
        g_main_context_iteration(nullptr, TRUE);
    }
    if (tick != 0) {
        g_source_remove(tick);
    }
}

bool timelineWanted() {
    const char* value = g_getenv("VANDREL_BENCH_TIMELINE");
    return value != nullptr && *value != '\0' && std::string(value) != "0";
}

struct CpuRun {
    vandrel::testing::ProcessCpu settling;  // the kSettleMs from the action on
    vandrel::testing::ProcessCpu idle;      // the kIdleMs after those
};

// The action, then kSettleMs and kIdleMs of the main loop sleeping, with the CPU of each.
CpuRun measureCpu(const std::string& name, const std::function<void()>& action) {
    const bool timeline = timelineWanted();
    std::vector<double> samples;
    const vandrel::testing::ProcessCpu start = vandrel::testing::processCpu();
    action();
    pump(kSettleMs, timeline ? &samples : nullptr);
    const vandrel::testing::ProcessCpu settled = vandrel::testing::processCpu();
    pump(kIdleMs, timeline ? &samples : nullptr);
    const vandrel::testing::ProcessCpu end = vandrel::testing::processCpu();
    if (timeline) {
        std::printf("timeline %s cpu_ms_per_%dms", name.c_str(), kTimelineMs);
        for (std::size_t i = 1; i < samples.size(); ++i) {
            std::printf(" %.0f", (samples[i] - samples[i - 1]) * 1000);
        }
        std::printf("\n");
    }
    return {settled - start, end - settled};
}

void printCpu(const std::string& name, const std::vector<CpuRun>& runs) {
    auto column = [&](auto pick) {
        std::vector<double> v;
        for (const CpuRun& r : runs) {
            v.push_back(pick(r));
        }
        return bench::median(v);
    };
    std::printf("cpu_s %-11s runs_total", name.c_str());
    for (const CpuRun& r : runs) {
        std::printf(" %.2f", r.settling.total());
    }
    std::printf(
        " median: program %.2f web %.2f other %.2f total %.2f | next %d s: program %.2f web %.2f "
        "other %.2f total %.2f\n",
        column([](const CpuRun& r) { return r.settling.program; }),
        column([](const CpuRun& r) { return r.settling.web; }),
        column([](const CpuRun& r) { return r.settling.other; }),
        column([](const CpuRun& r) { return r.settling.total(); }), kIdleMs / 1000,
        column([](const CpuRun& r) { return r.idle.program; }),
        column([](const CpuRun& r) { return r.idle.web; }),
        column([](const CpuRun& r) { return r.idle.other; }),
        column([](const CpuRun& r) { return r.idle.total(); }));
}

}  // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    if (const char* quick = g_getenv("VANDREL_BENCH_QUICK"); quick != nullptr && *quick != '\0') {
        timeRuns = 1;
        cpuRuns = 1;
    }
    char pattern[] = "/tmp/vandrel-bench-XXXXXX";
    const fs::path folder = mkdtemp(pattern);

    const int sizes[2] = {720, sim::pointsToFillLog(1)[0]};
    int result = 1;
    if (const auto session = bench::sessionAfterTodaysDownloads(folder, sizes[0])) {
        gtk::GtkShell shell(*session);
        shell.start();
        bench::Driver d(shell);
        auto& renderer = shell.renderer();
        const bool ready =
            bench::pumpUntil([&] {
                auto* host = shell.frame().pageHost();
                return host != nullptr && renderer.isReady(shell.frame()) &&
                       renderer.isReady(*host) && renderer.isReady(*host->trackPage());
            }) &&
            d.click(d.host(), "tab2") && bench::pumpUntil([&] {
                ui::BrowserHost* map = map::mapWidget(d.trackPage());
                return d.trackPage().mapsLoaded() && map->isEnabled() && map->isLoaded() &&
                       fs::path(map->address()).filename() == "tmaps.html";
            }) &&
            d.click(d.trackPage(), "today") &&
            bench::pumpUntil([&] { return d.list(6000).rowCount() == 2; });
        if (!ready) {
            std::fprintf(stderr, "The track page did not list the two tracks\n");
        } else {
            // One run of each first, unmeasured: the page's first parse and draw.
            std::vector<double> times[2];
            bool ok = d.show(1, sizes[1]) >= 0 && d.show(0, sizes[0]) >= 0;
            for (int run = 0; ok && run < timeRuns; ++run) {
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
                    std::printf(" median_ms %.0f\n", bench::median(times[row]));
                }
                std::fflush(stdout);
                // CPU, in each run: the small track shown (over nothing, or over the map
                // the day's click left), the full one shown over it, the map cleared by the
                // calls the track page makes to clear it, the full track shown again, and a
                // click on "Today", which lists the day again and clears the map with the rest
                // of the page. Each is checked once its window is over.
                enum { kShowSmall, kShowFull, kClearMap, kClickDay, kMeasures };
                std::vector<CpuRun> cpu[kMeasures];
                const std::string names[kMeasures] = {"show_" + std::to_string(sizes[0]),
                                                      "show_" + std::to_string(sizes[1]),
                                                      "clear_map", "click_day"};
                auto clearMap = [&] {
                    for (const char* function : {"closeInfo", "clrTKLine", "clrPhoto", "clrCar"}) {
                        map::mapWidget(d.trackPage())
                            ->callFunction(function, {}, [](bool, std::string) {});
                    }
                };
                for (int run = 0; ok && run < cpuRuns; ++run) {
                    for (int row : {0, 1}) {
                        cpu[row].push_back(measureCpu(names[row], [&] { d.doubleClick(row); }));
                        ok = ok && d.linePoints() == sizes[row];
                    }
                    cpu[kClearMap].push_back(measureCpu(names[kClearMap], clearMap));
                    ok = ok && d.linePoints() == 0;
                    d.doubleClick(1);
                    pump(kSettleMs);
                    ok = ok && d.linePoints() == sizes[1];
                    cpu[kClickDay].push_back(
                        measureCpu(names[kClickDay], [&] { d.click(d.trackPage(), "today"); }));
                    ok = ok && d.linePoints() == 0;
                }
                if (ok) {
                    for (int i = 0; i < kMeasures; ++i) {
                        printCpu(names[i], cpu[i]);
                    }
                    result = 0;
                } else {
                    std::fprintf(stderr, "The map page did not show or clear a track in time\n");
                }
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
