// The real renderer under Xvfb: how long 1,000 changes of the model take until the page shows
// them, and how a list of 50,000 rows scrolls (rows drawn per step, steps per second).
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/gtk/glib_event_loop.h"
#include "platform/gtk/web_renderer.h"
#include "ui/html_window.h"
#include "ui/list_view.h"

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

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string page() {
    std::string html =
        "<html><body><widget id=6001 type=sys-listview OWNERDATA REPORT "
        "style='width:260px;height:400px'></widget><div>";
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
    gtk_widget_destroy(top);
    return 0;
}
