// The desktop program under Xvfb: the real shell with GTK and WebKit, a simulated logger image
// on disk, input sent as GDK events, the model, the database and screenshots checked.

#include <cstdio>
#include <string_view>

#include "core/program_path.h"
#include "device/device_volume.h"
#include "device/settings_file.h"
#include "exchange/stored_tracks.h"
#include "exchange/track_archive.h"
#include "gtk_shell/shell_stage.h"
#include "map/map_service.h"
#include "map/map_sources.h"
#include "map/map_widget.h"
#include "mbtiles_maker.h"
#include "platform/gtk/shell/single_instance.h"
#include "store/sqlite_db.h"
#include "ui/browser_host.h"
#include "ui/element.h"

namespace vandrel::gtk {
namespace {

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
    ASSERT_TRUE(clickOn(host(), "tab2"));
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
    ASSERT_TRUE(clickOn(host(), "tab3"));
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
    ASSERT_TRUE(pumpUntil(
        [] { return host().poiPage()->state().MapsLoaded || host().trackPage()->mapsLoaded(); },
        20000));
    ASSERT_TRUE(clickOn(host(), "tab2"));
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
        bool boxShown = false;
        bool boxLaidOutWhenShown = false;
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
            // A box shows only once its page has laid out, never as an empty rectangle.
            if (g_value_get_object(&params[0]) == G_OBJECT(shell.boxWindow())) {
                w->boxShown = true;
                w->boxLaidOutWhenShown = shell.boxView()->document().minWidth() > 0;
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
            // Only the screen the answer is given on is saved: writing a picture on every tick
            // would keep the loop from drawing the box.
            GdkPixbuf* shot = grabScreen();
            if (shot != nullptr) {
                // A dark face with the picture and the texts on it.
                w->boxLooksRight = near(pixel(shot, x + 3, y + 3), {0, 0, 0}) &&
                                   colours(shot, x, y, x + width, y + height) > 8;
            }
            if ((w->boxLooksRight && w->boxSizedToPage) || ++w->looks == 100) {
                if (shot != nullptr) {
                    saveScreen(shot, "message-box");
                }
                ui::Element* text = view->document().selectFirst("#MsgText");
                w->notice = text != nullptr ? text->text() : "";
                w->answered = true;
                pressKey(shell.boxWindow(), GDK_KEY_Return);
            }
            if (shot != nullptr) {
                g_object_unref(shot);
            }
            return G_SOURCE_CONTINUE;
        },
        &watch);
    EXPECT_TRUE(clickOn(host(), "lfromdevtrack"));
    EXPECT_TRUE(pumpUntil([&] { return watch.answered && stage->shell->boxWindow() == nullptr; }));
    g_source_remove(timer);
    g_signal_remove_emission_hook(mapSignal, hook);
    EXPECT_TRUE(watch.sawBusy);
    EXPECT_TRUE(watch.mainInsensitive);
    EXPECT_EQ(watch.notice, "Download Complete!");
    EXPECT_TRUE(watch.boxSizedToPage);
    EXPECT_TRUE(watch.boxLooksRight);
    EXPECT_TRUE(watch.boxShown);
    EXPECT_TRUE(watch.boxLaidOutWhenShown);
    EXPECT_EQ(session().database().scalar("select count(*) from TK;"), 6);
    EXPECT_TRUE(gtk_widget_get_sensitive(stage->shell->window()));
    EXPECT_TRUE(frame().isEnabled());
}

TEST(DesktopProgram, TheOverwriteQuestionOfAnArchiveLoadIsInFrontOfTheBusyWindow) {
    // An archive of two stored tracks: loading it asks, under the busy window, whether to
    // overwrite them.
    std::vector<TrackHeader> stored;
    for (const TrackHeader& header : readStoredHeaders(session().database())) {
        if (stored.size() < 2) {
            stored.push_back(readStoredTrack(session().database(), header.objid).value());
        }
    }
    ASSERT_EQ(stored.size(), 2u);
    const fs::path archive = stage->dir / "stored.prg";
    ASSERT_TRUE(saveArchive(archive, stored, session().folder().photos()).ok);
    ASSERT_EQ(host().currentPage(), 2);
    struct Watch {
        bool typed = false;
        int ticks = 0;
        int looks = 0;
        bool pressed = false;
        bool answered = false;
        bool busy = false;          // the load was busy when the question came
        bool busyMapped = true;     // the busy window on the screen while the question shows
        bool buttonsShown = false;  // every button of the box drawn on the screen
        std::string question;
    } watch;
    Ticker ticker([&] {
        GtkShell& shell = *stage->shell;
        if (!watch.typed) {
            // The file chooser: the archive's whole path typed in its location field.
            GtkWidget* dialog = shownFileChooser();
            GtkWidget* name =
                dialog != nullptr ? gtk_window_get_focus(GTK_WINDOW(dialog)) : nullptr;
            if (dialog == nullptr) {
                return true;
            }
            if (name == nullptr || !GTK_IS_ENTRY(name)) {
                pressKey(dialog, GDK_KEY_l, GDK_CONTROL_MASK);
                return true;
            }
            gtk_entry_set_text(GTK_ENTRY(name), archive.c_str());
            gtk_editable_set_position(GTK_EDITABLE(name), -1);
            watch.typed = true;
            return true;
        }
        if (GtkWidget* dialog = shownFileChooser()) {
            if (watch.ticks++ % 10 == 0) {
                pressKey(dialog, GDK_KEY_Return);
            }
            return true;
        }
        if (shell.boxWindow() == nullptr || !shell.renderer().isReady(*shell.boxView()) ||
            shell.boxView()->document().minWidth() <= 0) {
            return true;
        }
        ui::Document& box = shell.boxView()->document();
        if (watch.pressed) {
            // Always Overwrite, released a tick after it was pressed.
            const ui::Rect r = box.selectFirst("#MsgInsertA")->location();
            testing::sendButton(viewOf(shell.boxWindow()),
                                {(r.left + r.right) / 2, (r.top + r.bottom) / 2},
                                GDK_BUTTON_RELEASE);
            watch.answered = true;
            return false;
        }
        const ui::Element* overwrite = box.selectFirst("#MsgInsertS");
        const ui::Element* always = box.selectFirst("#MsgInsertA");
        const ui::Element* ok = box.selectFirst("#MsgExit");
        if (overwrite == nullptr || always == nullptr || ok == nullptr ||
            overwrite->location().isEmpty() || ok->location().isEmpty()) {
            return true;
        }
        int x = 0;
        int y = 0;
        gtk_window_get_position(GTK_WINDOW(shell.boxWindow()), &x, &y);
        watch.busy = shell.busyWindow() != nullptr;
        watch.busyMapped =
            shell.busyWindow() != nullptr && gtk_widget_get_mapped(shell.busyWindow());
        // The box's dark face, and each button drawn with its text on a face like the others'.
        GdkPixbuf* shot = grabScreen();
        if (shot != nullptr) {
            const auto face = [&](const ui::Element* button) {
                const ui::Rect r = button->location();
                return pixel(shot, x + r.left + 4, y + r.top + r.height() / 2);
            };
            const auto drawn = [&](const ui::Element* button) {
                const ui::Rect r = button->location();
                return colours(shot, x + r.left, y + r.top, x + r.right, y + r.bottom) > 3;
            };
            watch.buttonsShown = near(pixel(shot, x + 3, y + 3), {0, 0, 0}) && drawn(overwrite) &&
                                 drawn(always) && drawn(ok) && near(face(overwrite), face(ok)) &&
                                 near(face(always), face(ok));
        }
        if (watch.buttonsShown || ++watch.looks == 100) {
            if (shot != nullptr) {
                saveScreen(shot, "overwrite-in-front");
            }
            watch.question = box.selectFirst("#MsgText")->text();
            const ui::Rect r = always->location();
            testing::sendButton(viewOf(shell.boxWindow()),
                                {(r.left + r.right) / 2, (r.top + r.bottom) / 2}, GDK_BUTTON_PRESS);
            watch.pressed = true;
        }
        if (shot != nullptr) {
            g_object_unref(shot);
        }
        return true;
    });
    // The load ends with what it stored, in a box of its own, answered with Enter.
    std::string summary;
    Ticker closer([&] {
        GtkShell& shell = *stage->shell;
        if (!watch.answered || shell.boxWindow() == nullptr ||
            !shell.renderer().isReady(*shell.boxView()) ||
            shell.boxView()->document().minWidth() <= 0 ||
            shell.boxView()->document().selectFirst("#MsgInsertA") != nullptr) {
            return true;
        }
        summary = shell.boxView()->document().selectFirst("#MsgText")->text();
        pressKey(shell.boxWindow(), GDK_KEY_Return);
        return false;
    });
    ASSERT_TRUE(clickOn(host(), "lfrompctrack"));
    ASSERT_TRUE(
        pumpUntil([&] { return !summary.empty() && stage->shell->boxWindow() == nullptr; }));
    EXPECT_EQ(summary.rfind("0 tracks stored, 2 tracks replaced", 0), 0u) << summary;
    EXPECT_EQ(watch.question, kOverwriteLine1);
    EXPECT_TRUE(watch.busy);
    EXPECT_FALSE(watch.busyMapped);
    EXPECT_TRUE(watch.buttonsShown);
    // Always Overwrite: no second question, and the load ends.
    EXPECT_TRUE(pumpUntil([] { return stage->shell->busyWindow() == nullptr; }));
    EXPECT_EQ(stage->shell->boxWindow(), nullptr);
    EXPECT_EQ(session().database().scalar("select count(*) from TK;"), kLoggedTracks);
}

// How many tooltip windows GTK shows now.
int shownTooltips() {
    int shown = 0;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w != nullptr; w = w->next) {
        if (gtk_window_get_type_hint(GTK_WINDOW(w->data)) == GDK_WINDOW_TYPE_HINT_TOOLTIP &&
            gtk_widget_get_mapped(GTK_WIDGET(w->data))) {
            ++shown;
        }
    }
    g_list_free(windows);
    return shown;
}

TEST(DesktopProgram, AButtonsTooltipGoesWhenABoxOpens) {
    // The pointer rests on a button of the tab bar until the button's title shows as a tooltip.
    GtkWidget* view = viewOf(stage->shell->window());
    const std::pair<int, int> at = centreOf(host(), "s2pctrack");
    GdkDevice* pointer =
        gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
    int ox = 0;
    int oy = 0;
    gdk_window_get_origin(gtk_widget_get_window(view), &ox, &oy);
    gdk_device_warp(pointer, gdk_screen_get_default(), ox + at.first, oy + at.second);
    motionTo({at.first - 2, at.second}, false);
    pump(50);
    motionTo(at, false);
    ASSERT_TRUE(pumpUntil([] { return shownTooltips() > 0; }, 10000));
    // A notice opens meanwhile: no tooltip shows over it.
    int looks = 0;
    int tipsOverBox = 0;
    Ticker watch([&] {
        GtkShell& shell = *stage->shell;
        if (shell.boxWindow() == nullptr || !shell.renderer().isReady(*shell.boxView()) ||
            shell.boxView()->document().minWidth() <= 0) {
            return true;
        }
        tipsOverBox = std::max(tipsOverBox, shownTooltips());
        // A second and a half, as long as a tooltip takes to come back.
        if (++looks < 30) {
            return true;
        }
        if (GdkPixbuf* shot = screenshot("notice-without-tooltip")) {
            g_object_unref(shot);
        }
        pressKey(shell.boxWindow(), GDK_KEY_Return);
        return false;
    });
    stage->shell->prompt().notice("Nothing covers this notice");
    EXPECT_EQ(looks, 30);
    EXPECT_EQ(tipsOverBox, 0);
    // The pointer goes back to the middle of the screen, off the tab bar.
    GdkWindow* root = gdk_get_default_root_window();
    gdk_device_warp(pointer, gdk_screen_get_default(), gdk_window_get_width(root) / 2,
                    gdk_window_get_height(root) / 2);
    motionTo({gdk_window_get_width(root) / 2 - ox, gdk_window_get_height(root) / 2 - oy}, false);
    EXPECT_TRUE(pumpUntil([] { return shownTooltips() == 0; }, 5000));
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
    EXPECT_TRUE(pumpUntil(
        [] { return host().poiPage()->state().MapsLoaded || host().trackPage()->mapsLoaded(); },
        8000));
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
    const std::string origin = listenLocally(server);
    ASSERT_FALSE(origin.empty());
    stage->shell->setProbeAddress(origin + "/");
    EXPECT_TRUE(pumpUntil([] { return !host().hasTimer(app::CONNECTIVITY_TIMER); }, 5000));
    g_object_unref(server);
}

// The value of a script run in the main window's top page, as text.
std::string evalInWindow(const char* script) {
    struct Answer {
        bool done = false;
        std::string text;
    };
    auto answer = std::make_shared<Answer>();
    auto* keep = new std::shared_ptr<Answer>(answer);
    webkit_web_view_evaluate_javascript(
        stage->shell->renderer().view(frame()), script, -1, nullptr, nullptr, nullptr,
        [](GObject* view, GAsyncResult* result, gpointer data) {
            auto* held = static_cast<std::shared_ptr<Answer>*>(data);
            JSCValue* value =
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, nullptr);
            if (value != nullptr) {
                char* text = jsc_value_to_string(value);
                (*held)->text = text;
                g_free(text);
                g_object_unref(value);
            }
            (*held)->done = true;
            delete held;
        },
        keep);
    pumpUntil([&] { return answer->done; }, 5000);
    return answer->text;
}

// The element with the keyboard's focus, followed into the frames: "frame/…/name" and its box
// in the window ("name left top right bottom"), or empty where nothing has the focus.
std::string focusedStop() {
    static const char kScript[] = R"((() => {
  let doc = document, el = doc.activeElement, x = 0, y = 0, path = '';
  for (;;) {
    if (!el || el === doc.body || el === doc.documentElement) return '';
    if (el.tagName !== 'IFRAME' || !el.contentDocument) break;
    const r = el.getBoundingClientRect();
    x += r.left + el.clientLeft;
    y += r.top + el.clientTop;
    path += (el.id || el.name || 'frame') + '/';
    doc = el.contentDocument;
    el = doc.activeElement;
  }
  const r = el.getBoundingClientRect();
  const name = el.id || el.tagName.toLowerCase() + Array.prototype.indexOf.call(
      doc.querySelectorAll('*'), el);
  return [path + name, Math.round(x + r.left), Math.round(y + r.top), Math.round(x + r.right),
          Math.round(y + r.bottom)].join(' ');
})())";
    return evalInWindow(kScript);
}

// The ring round a box: the accent colour on each of its four sides, within three pixels.
bool ringed(GdkPixbuf* shot, int left, int top, int right, int bottom) {
    const int w = gdk_pixbuf_get_width(shot);
    const int h = gdk_pixbuf_get_height(shot);
    const auto orangeNear = [&](int x, int y) {
        for (int dy = -3; dy <= 3; ++dy) {
            for (int dx = -3; dx <= 3; ++dx) {
                const int px = x + dx;
                const int py = y + dy;
                if (px >= 0 && py >= 0 && px < w && py < h &&
                    near(pixel(shot, px, py), {247, 147, 30})) {
                    return true;
                }
            }
        }
        return false;
    };
    const int cx = (left + right) / 2;
    const int cy = (top + bottom) / 2;
    return orangeNear(cx, top) && orangeNear(cx, bottom - 1) && orangeNear(left, cy) &&
           orangeNear(right - 1, cy);
}

// Tab from the selected tab of each page goes through every control of the page, each ringed
// as it has the focus, and comes back round to where it started.
TEST(DesktopProgram, TabCyclesThroughEachPageRingingEveryStop) {
    GtkWidget* window = stage->shell->window();
    for (int page = 1; page <= 3; ++page) {
        const std::string tab = "tab" + std::to_string(page);
        if (host().currentPage() != page) {
            ASSERT_TRUE(clickOn(host(), tab));
        }
        ASSERT_TRUE(pumpUntil([page] { return host().currentPage() == page; }));
        ASSERT_TRUE(clickOn(host(), tab + "-s"));
        ASSERT_TRUE(pumpUntil([&] {
            return focusedStop().rfind("framepage/" + tab + "-s ", 0) == 0;
        })) << focusedStop();
        std::string first;
        bool back = false;
        for (int press = 0; press < 80 && !back; ++press) {
            pressKey(window, GDK_KEY_Tab);
            pump(150);
            std::string stop = focusedStop();
            const std::string name = stop.substr(0, stop.find(' '));
            int box[4] = {0, 0, 0, 0};
            if (stop.empty() || std::sscanf(stop.c_str() + name.size(), "%d %d %d %d", &box[0],
                                            &box[1], &box[2], &box[3]) != 4) {
                ADD_FAILURE() << "page " << page << ": Tab " << press + 1 << " left no focus";
                continue;
            }
            EXPECT_TRUE(screenUntil("focus-page" + std::to_string(page), [&](GdkPixbuf* shot) {
                return ringed(shot, box[0], box[1], box[2], box[3]);
            })) << name;
            if (first.empty()) {
                first = name;
            } else {
                back = name == first;
            }
        }
        EXPECT_TRUE(back) << "page " << page << ": Tab never came back to " << first;
    }

    // A box opens with its button ringed, and once it closes the keyboard goes on from the
    // button that opened it: Save Changes with none of the user's maps chosen says why not.
    bool boxRinged = false;
    bool answered = false;
    int looks = 0;
    Ticker box([&] {
        GtkShell& shell = *stage->shell;
        if (shell.boxWindow() == nullptr || !shell.renderer().isReady(*shell.boxView())) {
            return true;
        }
        const ui::Element* ok = shell.boxView()->document().selectFirst("#MsgEixt");
        if (ok == nullptr || ok->location().isEmpty()) {
            return true;
        }
        int x = 0;
        int y = 0;
        gtk_window_get_position(GTK_WINDOW(shell.boxWindow()), &x, &y);
        const ui::Rect r = ok->location();
        if (GdkPixbuf* shot = grabScreen()) {
            boxRinged = ringed(shot, x + r.left, y + r.top, x + r.right, y + r.bottom);
            saveScreen(shot, "focus-box");
            g_object_unref(shot);
        }
        if (!boxRinged && ++looks < 60) {
            return true;
        }
        pressKey(shell.boxWindow(), GDK_KEY_Return);
        answered = true;
        return false;
    });
    // Shift+Tab goes round the other way, from the page's first control through the tab bar to
    // its last.
    const auto onSave = [] {
        return focusedStop().rfind("framepage/framepage3/savemapservice ", 0) == 0;
    };
    for (int press = 0; press < 6 && !onSave(); ++press) {
        pressKey(window, GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK);
        pump(150);
    }
    ASSERT_TRUE(onSave()) << focusedStop();
    pressKey(window, GDK_KEY_Return);
    EXPECT_TRUE(pumpUntil([&] { return answered && stage->shell->boxWindow() == nullptr; }));
    EXPECT_TRUE(boxRinged);
    pressKey(window, GDK_KEY_Tab);
    EXPECT_TRUE(pumpUntil([] { return focusedStop().rfind("framepage/tab1 ", 0) == 0; }))
        << focusedStop();
}

// At the smallest window the track page's bar shows whole, and so do the map's choice, its
// attribution and its scale bar, which the bar's width once pushed past the window's edge.
TEST(DesktopProgram, TheTrackPageShowsItsBarAndMapControlsWholeAtTheSmallestWindow) {
    GtkWindow* window = GTK_WINDOW(stage->shell->window());
    gtk_window_unmaximize(window);
    gtk_window_resize(window, 960, 672);
    ASSERT_TRUE(pumpUntil([&] {
        int w = 0;
        int h = 0;
        gtk_window_get_size(window, &w, &h);
        return w == 960 && h == 672;
    }));
    if (host().currentPage() != 2) {
        ASSERT_TRUE(clickOn(host(), "tab2"));
    }
    ASSERT_TRUE(pumpUntil([] { return host().currentPage() == 2; }));
    // Each part's overflow past its box, in pixels, as "bar choice attribution scale".
    static const char kScript[] = R"((() => {
  const page = document.getElementById('framepage').contentDocument
      .getElementById('framepage2').contentDocument;
  const view = page.getElementById('viewbar').getBoundingClientRect();
  const captions = page.querySelectorAll('#menu1 .caption');
  const bar = captions[captions.length - 1].getBoundingClientRect().right - view.right;
  const frame = page.querySelector('iframe[data-vhost]');
  const map = frame && frame.contentDocument;
  const box = map && map.getElementById('map');
  if (!box || !map.querySelector('.leaflet-control-scale-line')) return 'no map';
  const edge = box.getBoundingClientRect().right;
  const past = (e) => Math.round(e.getBoundingClientRect().right - edge);
  const line = map.querySelector('.leaflet-control-scale-line');
  return [Math.round(bar), past(map.querySelector('.map-source')),
          past(map.querySelector('.leaflet-control-attribution')),
          line.scrollWidth - line.clientWidth].join(' ');
})())";
    std::string overflow;
    EXPECT_TRUE(pumpUntil([&] {
        overflow = evalInWindow(kScript);
        int parts[4] = {1, 1, 1, 1};
        return std::sscanf(overflow.c_str(), "%d %d %d %d", &parts[0], &parts[1], &parts[2],
                           &parts[3]) == 4 &&
               parts[0] <= 0 && parts[1] <= 0 && parts[2] <= 0 && parts[3] <= 0;
    })) << overflow;
    if (GdkPixbuf* shot = screenshot("track-page-960")) {
        g_object_unref(shot);
    }
    // A file chooser opened over the window stays within it.
    int chooser[2] = {0, 0};
    int shown = 0;
    Ticker close([&] {
        GtkWidget* dialog = shownFileChooser();
        // Read once it has settled on the screen.
        if (dialog == nullptr || ++shown < 6) {
            return true;
        }
        gtk_window_get_size(GTK_WINDOW(dialog), &chooser[0], &chooser[1]);
        if (GdkPixbuf* shot = screenshot("file-chooser-960")) {
            g_object_unref(shot);
        }
        pressKey(dialog, GDK_KEY_Escape);
        return false;
    });
    ASSERT_TRUE(clickOn(host(), "lfrompctrack"));
    ASSERT_TRUE(pumpUntil([&] { return chooser[0] > 0 && shownFileChooser() == nullptr; }));
    EXPECT_LE(chooser[0], 960);
    EXPECT_LE(chooser[1], 672);
    gtk_window_maximize(window);
}

}  // namespace
}  // namespace vandrel::gtk

namespace {

bool addOfflineMap(const vandrel::testing::TempDir& dir) {
    std::vector<vandrel::testing::MbtilesTile> tiles;
    const std::string blue = vandrel::gtk::solidTile(0.2, 0.4, 0.8);
    for (int z = 0; z <= 3; ++z) {
        for (int x = 0; x < (1 << z); ++x) {
            for (int y = 0; y < (1 << z); ++y) {
                tiles.push_back({z, x, y, blue});
            }
        }
    }
    const auto file = dir / "blue.mbtiles";
    std::string error;
    return vandrel::testing::writeMbtiles(file,
                                          {{"name", "Blue world"},
                                           {"format", "png"},
                                           {"minzoom", "0"},
                                           {"maxzoom", "3"},
                                           {"bounds", "-170,-80,170,80"}},
                                          tiles) &&
           !vandrel::map::MapSources(vandrel::map::MapService::fromEnvironment(),
                                     dir / "mapsources.xml")
                .addFile(file, true, error)
                .empty();
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The file chooser keeps its settings in memory: a test machine has no session bus.
    g_setenv("GSETTINGS_BACKEND", "memory", TRUE);
    gtk_init(&argc, &argv);
    vandrel::gtk::Stage stage;
    vandrel::gtk::stage = &stage;
    // The run decides the map service, whatever the environment names: with
    // "--map-service=local" a local server stands in for it; without, it is a local address
    // where nothing answers, so that no run asks the outside world.
    g_unsetenv("VANDREL_MAP_SERVICE");
    std::string service = "http://127.0.0.1:9/";
    g_setenv("VANDREL_TOPO_SERVICE", service.c_str(), TRUE);
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--map-service=local") {
            stage.tiles = std::make_unique<vandrel::gtk::TileServer>();
            service = stage.tiles->address();
        }
        // "--topo-service=local": the topographic map from a local server of green tiles.
        if (std::string_view(argv[i]) == "--topo-service=local") {
            stage.topo =
                std::make_unique<vandrel::gtk::TileServer>(vandrel::gtk::solidTile(0.4, 0.7, 0.3));
            g_setenv("VANDREL_TOPO_SERVICE", stage.topo->address().c_str(), TRUE);
        }
    }
    if (service.empty()) {
        std::fprintf(stderr, "The local tile server could not listen\n");
        return 1;
    }
    g_setenv("VANDREL_MAP_SERVICE", service.c_str(), TRUE);
    // "--geocoder=local": a local server stands in for the address search; else the search
    // asks a local address where nothing answers.
    g_setenv("VANDREL_GEOCODER", "http://127.0.0.1:9/search", TRUE);
    bool ownSettings = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--geocoder=local") {
            stage.geocoder = std::make_unique<vandrel::gtk::GeocoderServer>();
            if (stage.geocoder->address().empty()) {
                std::fprintf(stderr, "The local address search server could not listen\n");
                return 1;
            }
            g_setenv("VANDREL_GEOCODER", stage.geocoder->address().c_str(), TRUE);
        }
        // "--settings=own": a settings.xml beside the program that differs from the defaults
        // in every field the settings page shows, and a logger whose own settings differ from
        // the defaults and from that file (UTC+02:00, a fix every 5 s, the backlight off after
        // 5 min, metres, 24-hour clock, barometer every 5 min).
        if (std::string_view(argv[i]) == "--settings=own") {
            ownSettings = true;
            vandrel::DeviceSettings own;
            own.TimeZone = 180;
            own.Length = 1;
            own.Temperature = 0;
            own.TimeFormat = 0;
            own.LogInterval = 7;
            own.PowerOff = 2;
            own.Backlight = 3;
            own.Tnttbar = 2;
            if (!vandrel::saveSettingsFile(stage.dir / "settings.xml", own)) {
                std::fprintf(stderr, "settings.xml could not be written\n");
                return 1;
            }
        }
    }
    // "--offline-map": an offline map file of blue tiles up to zoom 3, added as a user would.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--offline-map" && !addOfflineMap(stage.dir)) {
            std::fprintf(stderr, "The offline map file could not be made\n");
            return 1;
        }
    }
    // A logger with six tracks, as an image file the program opens by its path.
    vandrel::sim::LoggerImage image;
    if (ownSettings) {
        vandrel::sim::SimSettings logger;
        logger.timeZoneEast = 120;
        logger.logInterval = 5;
        logger.backlight = 1;
        image.writeSettings(logger);
    }
    image.writeLog(vandrel::gtk::loggedTracks());
    const auto device = stage.dir / "logger.img";
    vandrel::testing::writeFile(device, std::string(image.bytes().begin(), image.bytes().end()));
    stage.session = std::make_unique<vandrel::Session>(vandrel::DataFolder(stage.dir.path()));
    stage.session->useDevice(device.string());
    vandrel::gtk::SingleInstance instance(stage.dir.path(), [&stage] { ++stage.raised; });
    stage.shell = std::make_unique<vandrel::gtk::GtkShell>(*stage.session);
    stage.shell->start();
    int result = RUN_ALL_TESTS();
    stage.shell.reset();
    stage.session.reset();
    return result;
}
