#pragma once
// What the Xvfb suites of the desktop program share: the one shell of the process with its
// program folder and logger image, the stand-in tile service of the runs that have one, and
// the helpers that send input, look at the screen and wait with a deadline.

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <libsoup/soup.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <source_location>
#include <string>
#include <vector>

#include "app/page_host.h"
#include "gtk/glib_pump.h"
#include "map/map_widget.h"
#include "platform/gtk/shell/gtk_shell.h"
#include "test_support.h"
#include "tile_server.h"
#include "tools/sim/logger_image.h"
#include "ui/browser_host.h"
#include "ui/element.h"

namespace vandrel::gtk {

namespace fs = std::filesystem;

// Answers every address search with one place, as the search service does, and keeps what was
// searched for.
class GeocoderServer {
  public:
    static constexpr double kLat = 47.3769;
    static constexpr double kLng = 8.5417;

    GeocoderServer() {
        server_ = soup_server_new(nullptr, nullptr);
        soup_server_add_handler(server_, nullptr, &GeocoderServer::answer, this, nullptr);
        if (const std::string origin = listenLocally(server_); !origin.empty()) {
            address_ = origin + "/search";
        }
    }
    ~GeocoderServer() { g_object_unref(server_); }
    GeocoderServer(const GeocoderServer&) = delete;
    GeocoderServer& operator=(const GeocoderServer&) = delete;

    // "http://127.0.0.1:PORT/search", or empty when the server could not listen.
    const std::string& address() const { return address_; }
    const std::vector<std::string>& queries() const { return queries_; }

  private:
    static void answer(SoupServer*, SoupServerMessage* msg, const char*, GHashTable* query,
                       gpointer self) {
        auto* s = static_cast<GeocoderServer*>(self);
        const char* q =
            query != nullptr ? static_cast<const char*>(g_hash_table_lookup(query, "q")) : nullptr;
        s->queries_.emplace_back(q != nullptr ? q : "");
        // The map page is a local file; the service lets any page read its answers.
        soup_message_headers_replace(soup_server_message_get_response_headers(msg),
                                     "Access-Control-Allow-Origin", "*");
        static const char kPlace[] = R"([{"lat":"47.3769","lon":"8.5417"}])";
        soup_server_message_set_status(msg, SOUP_STATUS_OK, nullptr);
        soup_server_message_set_response(msg, "application/json", SOUP_MEMORY_STATIC, kPlace,
                                         sizeof kPlace - 1);
    }

    SoupServer* server_ = nullptr;
    std::string address_;
    std::vector<std::string> queries_;
};

// The logger's log: one track a day at 10:00 UTC from the 10th of last month for five days, of
// 720 points 5 s apart, and a second track of 600 points on the first day at 13:00 UTC: six
// tracks in all, on days of a month the calendar does not open on.
inline constexpr int kLoggedTracks = 6;
inline constexpr int kFirstLoggedDay = 10;
inline constexpr int kLoggedDays = 5;
inline constexpr int kTracksOnFirstDay = 2;

struct YearMonth {
    int year = 0;
    int month = 0;  // 1 to 12
};
inline YearMonth loggedMonth() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_mon == 0 ? YearMonth{local.tm_year + 1900 - 1, 12}
                             : YearMonth{local.tm_year + 1900, local.tm_mon};
}

inline std::vector<sim::SimTrack> loggedTracks() {
    const YearMonth month = loggedMonth();
    std::tm first{};
    first.tm_year = month.year - 1900;
    first.tm_mon = month.month - 1;
    first.tm_mday = kFirstLoggedDay;
    first.tm_hour = 10;
    const std::int64_t start = timegm(&first);
    std::vector<sim::SimTrack> tracks = sim::generateTracks(kLoggedDays, 720, start, 5, 0);
    tracks.insert(tracks.begin() + 1, sim::generateTracks(1, 600, start + 3 * 3600, 5, 0, 11)[0]);
    return tracks;
}

struct Stage {
    testing::TempDir dir;
    // The program's data, on `dir`.
    std::unique_ptr<Session> session;
    std::unique_ptr<GtkShell> shell;
    int raised = 0;
    // The stand-in tile service, in the runs that have one; else the map service is a local
    // address where nothing answers.
    std::unique_ptr<TileServer> tiles;
    // The stand-in topographic map service, in the runs that have one.
    std::unique_ptr<TileServer> topo;
    // The stand-in address search service, in the runs that have one.
    std::unique_ptr<GeocoderServer> geocoder;
};
inline Stage* stage = nullptr;

inline ::testing::AssertionResult pumpUntil(
    const std::function<bool()>& done, int timeoutMs = 20000,
    std::source_location where = std::source_location::current()) {
    return testing::pumpUntil(done, timeoutMs, where);
}
using testing::pump;

inline Session& session() {
    return *stage->session;
}
inline app::MainFrame& frame() {
    return stage->shell->frame();
}
inline app::PageHost& host() {
    return *frame().pageHost();
}

// The screen as the X server shows it.
inline GdkPixbuf* grabScreen() {
    GdkWindow* root = gdk_get_default_root_window();
    return gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root),
                                      gdk_window_get_height(root));
}

// Saves a screen with the test output, as NAME.png.
inline void saveScreen(GdkPixbuf* shot, const std::string& name) {
    fs::path out = fs::path(VANDREL_TEST_OUTPUT) / (name + ".png");
    fs::create_directories(out.parent_path());
    gdk_pixbuf_save(shot, out.c_str(), "png", nullptr, nullptr);
}

// The screen, saved with the test output.
inline GdkPixbuf* screenshot(const std::string& name) {
    GdkPixbuf* shot = grabScreen();
    if (shot != nullptr) {
        saveScreen(shot, name);
    }
    return shot;
}

struct Rgb {
    int r, g, b;
};
inline Rgb pixel(GdkPixbuf* p, int x, int y) {
    const guchar* px = gdk_pixbuf_get_pixels(p) + y * gdk_pixbuf_get_rowstride(p) +
                       x * gdk_pixbuf_get_n_channels(p);
    return {px[0], px[1], px[2]};
}
inline bool near(Rgb a, Rgb b) {
    return std::abs(a.r - b.r) < 12 && std::abs(a.g - b.g) < 12 && std::abs(a.b - b.b) < 12;
}
// How many distinct colours a rectangle holds (a blank area has one).
inline size_t colours(GdkPixbuf* p, int x0, int y0, int x1, int y1) {
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
inline ::testing::AssertionResult screenUntil(const std::string& name,
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

// A point of an element of a page in the main window: the element's place in its page plus
// the frames' places, then the offset from the element's top-left corner.
inline std::pair<int, int> pointIn(ui::HtmlWindow& page, const ui::Element& element, int dx,
                                   int dy) {
    ui::Rect r = element.location();
    int x = r.left + dx;
    int y = r.top + dy;
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

// The element's centre in the main window.
inline std::pair<int, int> centreOf(ui::HtmlWindow& page, const std::string& id) {
    const ui::Element& e = *page.document().selectFirst("#" + id);
    return pointIn(page, e, e.location().width() / 2, e.location().height() / 2);
}

inline void button(GtkWidget* widget, std::pair<int, int> at, GdkEventType type, guint which = 1) {
    testing::sendButton(widget, at, type, which);
}

inline GtkWidget* viewOf(GtkWidget* window) {
    return gtk_bin_get_child(GTK_BIN(window));
}

inline void clickAt(std::pair<int, int> at, guint which = 1) {
    GtkWidget* view = viewOf(stage->shell->window());
    button(view, at, GDK_BUTTON_PRESS, which);
    pump(30);
    button(view, at, GDK_BUTTON_RELEASE, which);
    pump(30);
}

// Clicks the element's centre once its page has laid it out: an element just shown has no
// place until the page reports one.
inline ::testing::AssertionResult clickOn(
    ui::HtmlWindow& page, const std::string& id,
    std::source_location where = std::source_location::current()) {
    ::testing::AssertionResult placed = pumpUntil(
        [&] {
            ui::Element* e = page.document().selectFirst("#" + id);
            return e != nullptr && !e->location().isEmpty();
        },
        20000, where);
    if (placed) {
        clickAt(centreOf(page, id));
    }
    return placed;
}

// A key press as the X server delivers it to the window, with modifiers held when given.
inline void pressKey(GtkWidget* window, guint keyval, guint state = 0) {
    GdkWindow* gdkWindow = gtk_widget_get_window(window);
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gdkWindow));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.keyval = keyval;
    event->key.state = state;
    // GTK's key bindings (an entry's Enter) look the key up by its hardware code.
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(
            gdk_keymap_get_for_display(gdk_window_get_display(gdkWindow)), keyval, &keys, &count) &&
        count > 0) {
        event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
        event->key.group = static_cast<guint8>(keys[0].group);
    }
    g_free(keys);
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(gdkWindow));
    gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
    gtk_main_do_event(event);
    gdk_event_free(event);
}

// The file chooser the program shows now, or null.
inline GtkWidget* shownFileChooser() {
    GList* windows = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* w = windows; w != nullptr; w = w->next) {
        if (GTK_IS_FILE_CHOOSER(w->data) && gtk_widget_get_mapped(GTK_WIDGET(w->data))) {
            found = GTK_WIDGET(w->data);
        }
    }
    g_list_free(windows);
    return found;
}

// The pointer moved to `at` in the main window, with the first button held or not.
inline void motionTo(std::pair<int, int> at, bool held) {
    GtkWidget* view = viewOf(stage->shell->window());
    GdkWindow* window = gtk_widget_get_window(view);
    GdkEvent* event = gdk_event_new(GDK_MOTION_NOTIFY);
    event->motion.window = GDK_WINDOW(g_object_ref(window));
    event->motion.send_event = TRUE;
    event->motion.time = GDK_CURRENT_TIME;
    event->motion.x = at.first;
    event->motion.y = at.second;
    event->motion.state = held ? GDK_BUTTON1_MASK : 0;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
    gdk_event_set_device(event, gdk_seat_get_pointer(seat));
    int ox = 0;
    int oy = 0;
    gdk_window_get_origin(window, &ox, &oy);
    event->motion.x_root = ox + at.first;
    event->motion.y_root = oy + at.second;
    gtk_main_do_event(event);
    gdk_event_free(event);
}

// Asks the function of the map page on `page` and waits for its answer, which `done` accepts; asks
// again after each answer it does not. The last answer is kept in `said`.
inline ::testing::AssertionResult mapAnswers(
    ui::HtmlWindow& page, const std::string& function, const std::vector<std::string>& args,
    const std::function<bool(const std::string&)>& done, std::string* said = nullptr,
    std::source_location where = std::source_location::current()) {
    struct Asking {
        bool waiting = false;
        bool answered = false;
        std::string said = "nothing";
    };
    auto asking = std::make_shared<Asking>();
    ::testing::AssertionResult held = pumpUntil(
        [&] {
            if (asking->answered && done(asking->said)) {
                return true;
            }
            ui::BrowserHost* map = map::mapWidget(page);
            if (!asking->waiting && map != nullptr) {
                asking->answered = false;
                asking->waiting =
                    map->callFunction(function, args, [asking](bool found, std::string result) {
                        asking->said = found ? result : "no function";
                        asking->waiting = false;
                        asking->answered = true;
                    });
            }
            return false;
        },
        20000, where);
    if (said != nullptr) {
        *said = asking->said;
    }
    if (!held) {
        held << "; " << function << " said " << asking->said;
    }
    return held;
}

inline bool pagesReady() {
    WebRenderer& r = stage->shell->renderer();
    return frame().pageHost() != nullptr && r.isReady(frame()) && r.isReady(host()) &&
           r.isReady(*host().poiPage()) && r.isReady(*host().trackPage()) &&
           r.isReady(*host().settingsPage());
}

// Calls `tick` every 50 ms until it returns false or the ticker goes. A click's handling runs
// commands, boxes and file dialogs in nested loops of the program while the test only
// watches; the ticker acts in them and never turns the loop itself: a source does not fire
// again while it is being dispatched, so a tick that pumped could have a box open inside it
// and then never answer it.
class Ticker {
  public:
    explicit Ticker(std::function<bool()> tick) : tick_(std::move(tick)) {
        source_ = g_timeout_add(
            50,
            [](gpointer self) -> gboolean {
                auto* t = static_cast<Ticker*>(self);
                if (t->tick_()) {
                    return G_SOURCE_CONTINUE;
                }
                t->source_ = 0;
                return G_SOURCE_REMOVE;
            },
            this);
    }
    ~Ticker() {
        if (source_ != 0) {
            g_source_remove(source_);
        }
    }
    Ticker(const Ticker&) = delete;
    Ticker& operator=(const Ticker&) = delete;

  private:
    std::function<bool()> tick_;
    guint source_ = 0;
};

// Answers the next message box with Enter once it shows, keeping its text in `said`.
inline std::unique_ptr<Ticker> answerWithEnter(std::string& said) {
    return std::make_unique<Ticker>([&said] {
        GtkShell& shell = *stage->shell;
        if (shell.boxWindow() == nullptr || !shell.renderer().isReady(*shell.boxView())) {
            return true;
        }
        said = shell.boxView()->document().selectFirst("#MsgText")->text();
        pressKey(shell.boxWindow(), GDK_KEY_Return);
        return false;
    });
}

}  // namespace vandrel::gtk
