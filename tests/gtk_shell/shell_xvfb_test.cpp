// The desktop program under Xvfb: the real shell with GTK and WebKit, a simulated logger image
// on disk, input sent as GDK events, the model, the database and screenshots checked.

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <libsoup/soup.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <source_location>
#include <thread>

#include "core/program_path.h"
#include "device/device_volume.h"
#include "flows/app_data.h"
#include "gtk/glib_pump.h"
#include "map/map_widget.h"
#include "platform/gtk/shell/gtk_shell.h"
#include "platform/gtk/shell/single_instance.h"
#include "store/sqlite_db.h"
#include "test_support.h"
#include "tools/sim/logger_image.h"
#include "ui/browser_host.h"
#include "ui/element.h"

namespace vandrel::gtk {
namespace {

namespace fs = std::filesystem;

struct Stage {
    testing::TempDir dir;
    std::unique_ptr<GtkShell> shell;
    int raised = 0;
};
Stage* stage = nullptr;

::testing::AssertionResult pumpUntil(const std::function<bool()>& done, int timeoutMs = 20000,
                                     std::source_location where = std::source_location::current()) {
    return testing::pumpUntil(done, timeoutMs, where);
}
using testing::pump;

app::MainFrame& frame() {
    return stage->shell->frame();
}
app::PageHost& host() {
    return *frame().pageHost();
}

// The screen as the X server shows it, saved with the test output.
GdkPixbuf* screenshot(const std::string& name) {
    GdkWindow* root = gdk_get_default_root_window();
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root),
                                                 gdk_window_get_height(root));
    fs::path out = fs::path(VANDREL_TEST_OUTPUT) / (name + ".png");
    fs::create_directories(out.parent_path());
    if (shot != nullptr) {
        gdk_pixbuf_save(shot, out.c_str(), "png", nullptr, nullptr);
    }
    return shot;
}

struct Rgb {
    int r, g, b;
};
Rgb pixel(GdkPixbuf* p, int x, int y) {
    const guchar* px = gdk_pixbuf_get_pixels(p) + y * gdk_pixbuf_get_rowstride(p) +
                       x * gdk_pixbuf_get_n_channels(p);
    return {px[0], px[1], px[2]};
}
bool near(Rgb a, Rgb b) {
    return std::abs(a.r - b.r) < 12 && std::abs(a.g - b.g) < 12 && std::abs(a.b - b.b) < 12;
}
// How many distinct colours a rectangle holds (a blank area has one).
size_t colours(GdkPixbuf* p, int x0, int y0, int x1, int y1) {
    std::set<int> seen;
    for (int y = y0; y < y1; y += 3) {
        for (int x = x0; x < x1; x += 3) {
            Rgb c = pixel(p, x, y);
            seen.insert((c.r << 16) | (c.g << 8) | c.b);
        }
    }
    return seen.size();
}

// Takes screenshots until one passes the check (the screen catches up with the model some
// time after it), for up to five seconds; the last one stays saved.
::testing::AssertionResult screenUntil(const std::string& name,
                                       const std::function<bool(GdkPixbuf*)>& check) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        pump(100);
        GdkPixbuf* shot = screenshot(name);
        const bool ok = shot != nullptr && check(shot);
        if (shot != nullptr) {
            g_object_unref(shot);
        }
        if (ok) {
            return ::testing::AssertionSuccess();
        }
    }
    return ::testing::AssertionFailure() << "the screen " << name << ".png did not pass its check";
}

// The element's centre in the main window: its place in its page plus the frames' places.
std::pair<int, int> centreOf(ui::HtmlWindow& page, const std::string& id) {
    ui::Rect r = page.document().selectFirst("#" + id)->location();
    int x = (r.left + r.right) / 2;
    int y = (r.top + r.bottom) / 2;
    ui::Rect main = frame().document().selectFirst("#framepage")->location();
    x += main.left;
    y += main.top;
    if (&page != &host()) {
        // The three page frames fill the same area, whichever of them is shown.
        ui::Rect pages = host().document().selectFirst("#pages")->location();
        x += pages.left;
        y += pages.top;
    }
    return {x, y};
}

void button(GtkWidget* widget, std::pair<int, int> at, GdkEventType type) {
    testing::sendButton(widget, at, type);
}

GtkWidget* viewOf(GtkWidget* window) {
    return gtk_bin_get_child(GTK_BIN(window));
}

void clickAt(std::pair<int, int> at) {
    GtkWidget* view = viewOf(stage->shell->window());
    button(view, at, GDK_BUTTON_PRESS);
    pump(30);
    button(view, at, GDK_BUTTON_RELEASE);
    pump(30);
}

void pressKey(GtkWidget* window, guint keyval) {
    GdkWindow* gdkWindow = gtk_widget_get_window(window);
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gdkWindow));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.keyval = keyval;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(gdkWindow));
    gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
    gtk_main_do_event(event);
    gdk_event_free(event);
}

bool pagesReady() {
    WebRenderer& r = stage->shell->renderer();
    return frame().pageHost() != nullptr && r.isReady(frame()) && r.isReady(host()) &&
           r.isReady(*host().poiPage()) && r.isReady(*host().trackPage()) &&
           r.isReady(*host().settingsPage());
}

TEST(DesktopProgram, StartsMaximisedWithItsThreePages) {
    ASSERT_TRUE(pumpUntil(pagesReady));
    GdkWindow* root = gdk_get_default_root_window();
    ASSERT_TRUE(pumpUntil([&] {
        int w = 0;
        int h = 0;
        gtk_window_get_size(GTK_WINDOW(stage->shell->window()), &w, &h);
        return w == gdk_window_get_width(root) && h == gdk_window_get_height(root);
    }));
    EXPECT_TRUE(frame().maximised());
    EXPECT_EQ(frame().document().selectFirst("#maximize")->style("display"), "none");
    // Wait for the layout of the tab bar to come back, then look at the screen.
    ASSERT_TRUE(pumpUntil([] {
        return host().document().selectFirst("#lfromdevtrack") != nullptr &&
               !host().document().selectFirst("#tab2")->location().isEmpty();
    }));
    // The caption bar is black, the tab bar dark grey, and the tabs drawn.
    auto [tx, ty] = centreOf(host(), "tab2");
    ui::Rect bar = host().document().selectFirst("#bar")->location();
    ui::Rect main = frame().document().selectFirst("#framepage")->location();
    EXPECT_TRUE(screenUntil("page-pois", [&](GdkPixbuf* shot) {
        return near(pixel(shot, 600, 2), {0, 0, 0}) &&
               colours(shot, tx - 50, ty - 15, tx + 50, ty + 15) > 3 &&
               near(pixel(shot, main.left + 700, main.top + bar.top + 2), {32, 32, 32});
    }));
}

TEST(DesktopProgram, TheTabBarSwitchesPages) {
    clickAt(centreOf(host(), "tab2"));
    ASSERT_TRUE(pumpUntil([] { return host().currentPage() == 2; }));
    // The track page's left column is dark around the calendar, which is drawn on white.
    EXPECT_TRUE(screenUntil("page-tracklogs", [&](GdkPixbuf* shot) {
        ui::Rect main = frame().document().selectFirst("#framepage")->location();
        ui::Rect page2 = host().document().selectFirst("#pages")->location();
        const int x = main.left + page2.left;
        const int y = main.top + page2.top;
        return !page2.isEmpty() && near(pixel(shot, x + 200, y + 237), {32, 32, 32}) &&
               colours(shot, x + 2, y + 26, x + 262, y + 227) > 3;
    }));
    clickAt(centreOf(host(), "tab3"));
    ASSERT_TRUE(pumpUntil([] { return host().currentPage() == 3; }));
    // The settings page is white with its form.
    EXPECT_TRUE(screenUntil("page-settings", [&](GdkPixbuf* shot) {
        auto [sx, sy] = centreOf(*host().settingsPage(), "onsetssave");
        return sx > 0 && near(pixel(shot, sx + 300, sy), {255, 255, 255}) &&
               colours(shot, sx - 30, sy - 10, sx + 30, sy + 10) > 2;
    }));
}

TEST(DesktopProgram, DownloadShowsTheBusyWindowThenTheNoticeAndStoresTheTracks) {
    // The map pages replace the placeholders about a second after the start; a person clicks
    // the tab once the window has settled.
    ASSERT_TRUE(pumpUntil([] { return AppData::instance().MapsLoaded; }, 20000));
    clickAt(centreOf(host(), "tab2"));
    ASSERT_TRUE(pumpUntil([] { return host().currentPage() == 2; }));
    pump(300);
    // The click's handling runs the download and then its notice in nested loops of the
    // program, while the test only watches: from a signal hook, and from a timer that never
    // turns the loop itself. A source does not fire again while it is being dispatched, so a
    // timer that pumped could have the notice open inside it and then never answer it.
    struct Watch {
        bool sawBusy = false;
        bool busyShot = false;
        bool answered = false;
        int looks = 0;
        std::string notice;
        bool mainInsensitive = false;
        bool boxSizedToPage = false;
        bool boxLooksRight = false;
    } watch;
    // The busy window may come and go between two ticks of a timer; its mapping cannot be missed.
    const guint mapSignal = g_signal_lookup("map", GTK_TYPE_WIDGET);
    const gulong hook = g_signal_add_emission_hook(
        mapSignal, 0,
        [](GSignalInvocationHint*, guint, const GValue* params, gpointer data) -> gboolean {
            auto* w = static_cast<Watch*>(data);
            GtkShell& shell = *stage->shell;
            if (g_value_get_object(&params[0]) == G_OBJECT(shell.busyWindow())) {
                w->sawBusy = true;
                w->mainInsensitive = !gtk_widget_get_sensitive(shell.window());
            }
            return TRUE;
        },
        &watch, nullptr);
    guint timer = g_timeout_add(
        50,
        [](gpointer data) -> gboolean {
            auto* w = static_cast<Watch*>(data);
            GtkShell& shell = *stage->shell;
            if (shell.busyWindow() != nullptr && !w->busyShot) {
                w->busyShot = true;
                if (GdkPixbuf* shot = screenshot("busy-window")) {
                    g_object_unref(shot);
                }
            }
            if (shell.boxWindow() == nullptr || w->answered) {
                return G_SOURCE_CONTINUE;
            }
            ui::HtmlWindow* view = shell.boxView();
            if (!shell.renderer().isReady(*view) || view->document().minWidth() <= 0) {
                return G_SOURCE_CONTINUE;
            }
            // The box takes the page's size and is drawn some time after its page reports the
            // size; look at each tick until it shows so, for up to five seconds.
            int x = 0;
            int y = 0;
            int width = 0;
            int height = 0;
            gtk_window_get_position(GTK_WINDOW(shell.boxWindow()), &x, &y);
            gtk_window_get_size(GTK_WINDOW(shell.boxWindow()), &width, &height);
            w->boxSizedToPage =
                width == view->document().minWidth() && height == view->document().minHeight();
            if (GdkPixbuf* shot = screenshot("message-box")) {
                // A dark face with the picture and the texts on it.
                w->boxLooksRight = near(pixel(shot, x + 3, y + 3), {0, 0, 0}) &&
                                   colours(shot, x, y, x + width, y + height) > 8;
                g_object_unref(shot);
            }
            if ((w->boxLooksRight && w->boxSizedToPage) || ++w->looks == 100) {
                ui::Element* text = view->document().selectFirst("#MsgText");
                w->notice = text != nullptr ? text->text() : "";
                w->answered = true;
                pressKey(shell.boxWindow(), GDK_KEY_Return);
            }
            return G_SOURCE_CONTINUE;
        },
        &watch);
    clickAt(centreOf(host(), "lfromdevtrack"));
    EXPECT_TRUE(pumpUntil([&] { return watch.answered && stage->shell->boxWindow() == nullptr; }));
    g_source_remove(timer);
    g_signal_remove_emission_hook(mapSignal, hook);
    EXPECT_TRUE(watch.sawBusy);
    EXPECT_TRUE(watch.mainInsensitive);
    EXPECT_EQ(watch.notice, "Download Complete!");
    EXPECT_TRUE(watch.boxSizedToPage);
    EXPECT_TRUE(watch.boxLooksRight);
    EXPECT_EQ(TrackDatabase::instance().scalar("select count(*) from TK;"), 6);
    EXPECT_TRUE(gtk_widget_get_sensitive(stage->shell->window()));
    EXPECT_TRUE(frame().isEnabled());
}

TEST(DesktopProgram, ASecondStartLeavesOneWindow) {
    const std::string program = std::string(VANDREL_BIN_DIR) + "/vandrel";
    const std::string folder = stage->dir.path().string();
    const gchar* argv[] = {program.c_str(), "--data-dir", folder.c_str(), nullptr};
    GPid pid = 0;
    ASSERT_TRUE(g_spawn_async(nullptr, const_cast<gchar**>(argv), nullptr,
                              G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid, nullptr));
    int status = -1;
    bool ended = false;
    g_child_watch_add(
        pid,
        [](GPid, gint s, gpointer data) {
            auto* p = static_cast<std::pair<int*, bool*>*>(data);
            *p->first = s;
            *p->second = true;
        },
        new std::pair<int*, bool*>(&status, &ended));
    EXPECT_TRUE(pumpUntil([&] { return ended; }, 30000));
    EXPECT_TRUE(g_spawn_check_wait_status(status, nullptr));
    EXPECT_TRUE(pumpUntil([] { return stage->raised == 1; }));
}

TEST(DesktopProgram, MapPagesLoadOfflineAndTheTilesFollowOnceTheMapServiceAnswers) {
    // The map pages report their load from a script that runs on Leaflet.
    VANDREL_SKIP_UNLESS(fs::exists(programPath("Html/vendor/leaflet/leaflet.js")),
                        "Leaflet (package libjs-leaflet)");
    // Nothing answers: after the first failed question the map pages load anyway and draw their
    // built-in world outline, while the timer keeps asking.
    stage->shell->setProbeAddress("http://127.0.0.1:9/");
    EXPECT_TRUE(pumpUntil([] { return AppData::instance().MapsLoaded; }, 8000));
    EXPECT_TRUE(host().hasTimer(app::CONNECTIVITY_TIMER));
    EXPECT_EQ(fs::path(map::mapWidget(*host().poiPage())->address()).filename(), "pmaps.html");
    EXPECT_EQ(fs::path(map::mapWidget(*host().trackPage())->address()).filename(), "tmaps.html");
    EXPECT_TRUE(pumpUntil([] { return map::mapWidget(*host().trackPage())->isEnabled(); }));
    // A local server stands in for the map service; once it answers the timer stops.
    SoupServer* server = soup_server_new(nullptr, nullptr);
    soup_server_add_handler(
        server, nullptr,
        [](SoupServer*, SoupServerMessage* msg, const char*, GHashTable*, gpointer) {
            soup_server_message_set_status(msg, 200, nullptr);
            soup_server_message_set_response(msg, "text/html", SOUP_MEMORY_STATIC, "ok", 2);
        },
        nullptr, nullptr);
    ASSERT_TRUE(soup_server_listen_local(server, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, nullptr));
    GSList* uris = soup_server_get_uris(server);
    char* address = g_uri_to_string(static_cast<GUri*>(uris->data));
    stage->shell->setProbeAddress(address);
    g_free(address);
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    EXPECT_TRUE(pumpUntil([] { return !host().hasTimer(app::CONNECTIVITY_TIMER); }, 5000));
    g_object_unref(server);
}

}  // namespace
}  // namespace vandrel::gtk

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    gtk_init(&argc, &argv);
    vandrel::gtk::Stage stage;
    vandrel::gtk::stage = &stage;
    vandrel::setProgramFolder(stage.dir.path());
    // A logger with six tracks, as an image file the program opens by its path.
    vandrel::sim::LoggerImage image;
    image.writeLog(vandrel::sim::generateTracks(6, 720, 1780000000, 5, 0));
    const auto device = stage.dir / "logger.img";
    vandrel::testing::writeFile(device, std::string(image.bytes().begin(), image.bytes().end()));
    vandrel::DeviceVolume::instance().setDevicePath(device.string());
    vandrel::gtk::SingleInstance instance(stage.dir.path(), [&stage] { ++stage.raised; });
    stage.shell = std::make_unique<vandrel::gtk::GtkShell>();
    stage.shell->start();
    int result = RUN_ALL_TESTS();
    stage.shell.reset();
    return result;
}
