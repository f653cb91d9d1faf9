// The real renderer under Xvfb: how long 1,000 changes of the model take until the page shows
// them, and how a list of 50,000 rows scrolls (rows drawn per step, steps per second).
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/gtk/glib_event_loop.h"
#include "platform/gtk/web_renderer.h"
#include "tracks/profile_chart.h"
#include "ui/html_window.h"
#include "ui/list_view.h"
#include "ui/static_control.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace vandrel;

bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
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

std::string evalJs(WebKitWebView* view, const std::string& script) {
    struct Result {
        bool done = false;
        std::string text;
    } result;
    webkit_web_view_evaluate_javascript(
        view, script.c_str(), -1, nullptr, nullptr, nullptr,
        [](GObject* source, GAsyncResult* res, gpointer data) {
            auto* r = static_cast<Result*>(data);
            JSCValue* value =
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), res, nullptr);
            if (value != nullptr) {
                char* s = jsc_value_to_string(value);
                r->text = s != nullptr ? s : "";
                g_free(s);
                g_object_unref(value);
            }
            r->done = true;
        },
        &result);
    pumpUntil([&] { return result.done; });
    return result.text;
}

TrackHeader longTrack() {
    TrackHeader track;
    track.dist = 42000;
    for (int i = 0; i < 49900; ++i) {
        TrackPoint p;
        p.dist = track.dist * static_cast<float>(i) / 49899;
        p.alt = 400 + 150 * std::sin(static_cast<float>(i) / 900);
        p.tmp = 15 + 5 * std::cos(static_cast<float>(i) / 2000);
        p.lat = 47;
        p.lng = 8;
        track.points.push_back(p);
    }
    return track;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string page() {
    std::string html =
        "<html><body><widget id=6001 type=sys-listview OWNERDATA REPORT "
        "style='width:260px;height:400px'></widget><widget id=chart type=sys-static "
        "style='display:block;width:1000px;height:180px'></widget><div>";
    for (int i = 0; i < 1000; ++i) {
        html += "<span id=s" + std::to_string(i) + ">x</span> ";
    }
    return html + "</div></body></html>";
}

}  // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    gtk::GlibEventLoop loop;
    gtk::WebRenderer renderer;
    ui::HtmlWindow window(loop);
    window.loadHtml(page());
    GtkWidget* top = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(top), 1000, 700);
    GtkWidget* view = renderer.show(window);
    gtk_container_add(GTK_CONTAINER(top), view);
    gtk_widget_show_all(top);
    auto* list = dynamic_cast<ui::ListView*>(window.document().selectFirst("widget")->window());
    list->setRowHeight(20);
    list->setRowPainter([](ui::Canvas& c, int row, const ui::Rect& r, bool) {
        c.text(r, "Row " + std::to_string(row), ui::rgb(0, 0, 0), ui::kAlignMiddle);
    });
    list->setVirtualRowCount(50000);
    if (!pumpUntil([&] { return renderer.isReady(window) && list->visibleRows().second > 0; })) {
        std::fprintf(stderr, "the page did not come up\n");
        return 1;
    }

    // 1,000 text changes, timed until the page holds the last one.
    std::vector<double> changeTimes;
    auto spans = window.document().select("span");
    for (int run = 1; run <= 7; ++run) {
        auto start = Clock::now();
        std::string last;
        for (auto* span : spans) {
            last = "run " + std::to_string(run) + " " + span->attribute("id");
            span->setText(last);
        }
        std::uint64_t target = renderer.operationsSent();
        renderer.flush();
        target = renderer.operationsSent();
        pumpUntil([&] { return renderer.operationsApplied() >= target; });
        auto applied = Clock::now();
        if (evalJs(WEBKIT_WEB_VIEW(view), "document.getElementById('s999').textContent") != last) {
            std::fprintf(stderr, "the page does not show the last change\n");
            return 1;
        }
        changeTimes.push_back(std::chrono::duration<double, std::milli>(applied - start).count());
    }
    std::printf("1000 model changes until shown: median %.1f ms (%zu runs)\n", median(changeTimes),
                changeTimes.size());

    // Scrolling by 10 rows a step; each step waits for the drawing of the new rows.
    const int steps = 200;
    std::vector<int> painted;
    auto start = Clock::now();
    for (int step = 1; step <= steps; ++step) {
        int top = step * 10 * 20;
        evalJs(WEBKIT_WEB_VIEW(view),
               "document.querySelector('widget').scrollTop = " + std::to_string(top) + "; 1");
        pumpUntil([&] { return list->scrollTop() == top; });
        std::uint64_t target = renderer.operationsSent();
        renderer.flush();
        target = renderer.operationsSent();
        pumpUntil([&] { return renderer.operationsApplied() >= target; });
        painted.push_back(list->lastPaintedRows());
    }
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf(
        "virtual list of 50000 rows: %d steps in %.2f s = %.1f steps/s, %d rows drawn per "
        "step (of %d visible)\n",
        steps, seconds, steps / seconds, painted.back(),
        list->visibleRows().second - list->visibleRows().first);

    // The profile chart of a 49,900-point track at 1,000 x 180: built and painted by the program,
    // then until the page shows the drawing.
    tracks::ProfileChart chart;
    const TrackHeader track = longTrack();
    auto* control =
        dynamic_cast<ui::StaticControl*>(window.document().selectFirst("#chart")->window());
    control->setPainter([&](ui::Canvas& canvas) { chart.paint(canvas); });
    std::vector<double> programTimes;
    std::vector<double> shownTimes;
    for (int run = 0; run < 7; ++run) {
        const auto begin = Clock::now();
        chart.Build(run % 2 == 0 ? tracks::ChartKind::Altitude : tracks::ChartKind::Temperature,
                    track, DeviceSettings{});
        control->invalidate();
        const auto painted = Clock::now();
        renderer.flush();
        const std::uint64_t target = renderer.operationsSent();
        pumpUntil([&] { return renderer.operationsApplied() >= target; });
        evalJs(WEBKIT_WEB_VIEW(view), "document.querySelector('#chart polyline') !== null");
        const auto shown = Clock::now();
        programTimes.push_back(std::chrono::duration<double, std::milli>(painted - begin).count());
        shownTimes.push_back(std::chrono::duration<double, std::milli>(shown - begin).count());
    }
    std::printf(
        "profile chart of 49900 points at 1000x180: program %.2f ms, on screen %.1f ms "
        "(medians of %zu runs)\n",
        median(programTimes), median(shownTimes), shownTimes.size());
    gtk_widget_destroy(top);
    return 0;
}
