// The POI page and the settings page of the desktop program under Xvfb, driven as a user does:
// the 20 markers on the map, a marker dragged, the POIs loaded from a
// .poi file and saved to the logger, an address search, and the settings form shown and saved
// to the logger. CTest runs this suite with local servers standing in for the tile and the
// address search services, and with a settings.xml of its own beside the program.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "device/poi_file.h"
#include "gtk_shell/shell_stage.h"
#include "map/map_widget.h"
#include "poi/poi_page.h"
#include "ui/browser_host.h"
#include "ui/form_values.h"

namespace vandrel::gtk {
namespace {

poi::PoiPage& poiPage() {
    return *host().poiPage();
}

ui::PageWindow& settingsPage() {
    return *host().settingsPage();
}

const ui::Element& mapElement() {
    return *poiPage().document().selectFirst("widget[id='2000']");
}

// Two numbers "a,b" as the map page writes them.
std::pair<double, double> pairOf(const std::string& text) {
    double a = NAN;
    double b = NAN;
    if (std::sscanf(text.c_str(), "%lf,%lf", &a, &b) != 2) {
        return {NAN, NAN};
    }
    return {a, b};
}

// The marker's place in the main window: the middle of its picture, which stands on its point.
::testing::AssertionResult markerAt(int slot, std::pair<int, int>& at) {
    std::string said;
    ::testing::AssertionResult placed = mapAnswers(
        poiPage(), "markerPoint", {std::to_string(slot)},
        [](const std::string& s) { return !std::isnan(pairOf(s).first); }, &said);
    if (placed) {
        const auto [x, y] = pairOf(said);
        at = pointIn(poiPage(), mapElement(), static_cast<int>(x), static_cast<int>(y) - 17);
    }
    return placed;
}

std::string barText(const char* id) {
    return poiPage().document().selectFirst(std::string("#") + id)->text();
}

// A key pressed and released in the main window's view, where the focused field takes it.
void typeKey(guint keyval) {
    GtkWidget* view = viewOf(stage->shell->window());
    GdkWindow* window = gtk_widget_get_window(view);
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
    for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->key.window = GDK_WINDOW(g_object_ref(window));
        event->key.send_event = TRUE;
        event->key.time = GDK_CURRENT_TIME;
        event->key.keyval = keyval;
        GdkKeymapKey* keys = nullptr;
        gint count = 0;
        if (gdk_keymap_get_entries_for_keyval(
                gdk_keymap_get_for_display(gdk_window_get_display(window)), keyval, &keys,
                &count) &&
            count > 0) {
            event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
        }
        g_free(keys);
        gdk_event_set_device(event, gdk_seat_get_keyboard(seat));
        gtk_main_do_event(event);
        gdk_event_free(event);
    }
    pump(10);
}

void typeText(const std::string& text) {
    for (char c : text) {
        typeKey(c == ' ' ? GDK_KEY_space : gdk_unicode_to_keyval(static_cast<guint32>(c)));
    }
}

// Answers each box the program shows, in turn, and keeps its text: a question with a press and
// a release of its Yes button, a notice with Enter.
class BoxAnswers {
  public:
    BoxAnswers() : ticker_([this] { return tick(); }) {}
    const std::vector<std::string>& texts() const { return texts_; }
    // Every box answered and gone, `count` of them.
    bool done(size_t count) const {
        return texts_.size() == count && !answering_ && stage->shell->boxWindow() == nullptr;
    }

  private:
    // The box's lines, as one.
    static std::string boxText() {
        ui::Document& box = stage->shell->boxView()->document();
        std::string text;
        for (const char* id : {"#MsgText", "#MsgText2"}) {
            const ui::Element* line = box.selectFirst(id);
            if (line != nullptr && !line->text().empty()) {
                text += (text.empty() ? "" : " ") + line->text();
            }
        }
        return text;
    }

    bool tick() {
        GtkShell& shell = *stage->shell;
        // Once the box's page has laid out, as a person answers the box they see.
        if (shell.boxWindow() == nullptr || answering_ ||
            !shell.renderer().isReady(*shell.boxView()) ||
            shell.boxView()->document().minWidth() <= 0) {
            return true;
        }
        const ui::Element* yes = shell.boxView()->document().selectFirst("#MsgYes");
        const std::string text = boxText();
        if (yes != nullptr && !yes->location().isEmpty()) {
            const ui::Rect r = yes->location();
            const std::pair<int, int> at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            if (!pressed_) {
                testing::sendButton(viewOf(shell.boxWindow()), at, GDK_BUTTON_PRESS);
                pressed_ = true;
                return true;
            }
            texts_.push_back(text);
            testing::sendButton(viewOf(shell.boxWindow()), at, GDK_BUTTON_RELEASE);
        } else {
            texts_.push_back(text);
            pressKey(shell.boxWindow(), GDK_KEY_Return);
        }
        // The next box may follow at once, in a window of its own.
        answering_ = true;
        pressed_ = false;
        g_signal_connect(shell.boxWindow(), "destroy", G_CALLBACK(+[](GtkWidget*, gpointer self) {
                             static_cast<BoxAnswers*>(self)->answering_ = false;
                         }),
                         this);
        return true;
    }

    std::vector<std::string> texts_;
    bool answering_ = false;
    bool pressed_ = false;
    Ticker ticker_;
};

// The image's description by the simulator.
std::string inspectLogger() {
    const fs::path image = stage->dir / "logger.img";
    testing::ProcessResult r = testing::runProgram(
        "vandrel-sim", "inspect '" + image.string() + "'", stage->dir.path(), 60);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
}

// Where the .poi file loaded from the PC puts the POIs: from the north-west to the south-east,
// far enough apart that no marker covers another at the first zoom, every icon 3.
PoiSlots filePois() {
    PoiSlots slots = initialPoiSlots();
    for (int i = 0; i < kPoiSlotCount; ++i) {
        slots[i].latitude = 30.0f - 3.0f * static_cast<float>(i);
        slots[i].longitude = -171.0f + 18.0f * static_cast<float>(i);
        slots[i].icon = 3;
    }
    return slots;
}

TEST(PoiPage, TheTwentyMarkersShowAndAFileFromThePcMovesThem) {
    ASSERT_TRUE(pumpUntil(pagesReady));
    ASSERT_TRUE(pumpUntil([] {
        ui::BrowserHost* map = map::mapWidget(poiPage());
        return host().poiPage()->state().MapsLoaded && map != nullptr && map->isEnabled() &&
               map->isLoaded() && fs::path(map->address()).filename() == "pmaps.html";
    }));
    EXPECT_TRUE(
        mapAnswers(poiPage(), "markerCount", {}, [](const std::string& s) { return s == "20"; }));
    // Before anything is loaded, the slots lie round the equator; the bar shows the first.
    EXPECT_EQ(barText("poiname"), "#0001");
    EXPECT_EQ(barText("poilat"), "0.00000");
    EXPECT_EQ(barText("poilng"), "-180.00000");
    EXPECT_TRUE(mapAnswers(poiPage(), "markerIcon", {"4"},
                           [](const std::string& s) { return s.ends_with("pois/5.png"); }));

    const fs::path file = stage->dir / "spread.poi";
    ASSERT_TRUE(WritePoiFile(file, filePois()).ok);
    // The question is answered Yes, then the file's whole path is typed in the chooser.
    BoxAnswers boxes;
    bool typed = false;
    int ticks = 0;
    Ticker chooser([&] {
        GtkWidget* dialog = shownFileChooser();
        if (dialog == nullptr) {
            return !typed;
        }
        GtkWidget* name = gtk_window_get_focus(GTK_WINDOW(dialog));
        if (name == nullptr || !GTK_IS_ENTRY(name)) {
            // Ctrl+L opens the chooser's location field.
            pressKey(dialog, GDK_KEY_l, GDK_CONTROL_MASK);
            return true;
        }
        if (!typed) {
            gtk_entry_set_text(GTK_ENTRY(name), file.c_str());
            gtk_editable_set_position(GTK_EDITABLE(name), -1);
            typed = true;
            return true;
        }
        // Enter, and Enter again while the chooser stays: the first may only close the list of
        // names that completes the typed one.
        if (ticks++ % 10 == 0) {
            pressKey(dialog, GDK_KEY_Return);
        }
        return true;
    });
    ASSERT_TRUE(clickOn(host(), "lfrompcpois"));
    ASSERT_TRUE(pumpUntil([&] { return typed && shownFileChooser() == nullptr; }));
    ASSERT_TRUE(pumpUntil([&] { return boxes.done(1); }));
    EXPECT_EQ(boxes.texts()[0], "Are you sure load POI from PC?");
    EXPECT_TRUE(pumpUntil([] { return barText("poilat") == "30.00000"; }));
    EXPECT_EQ(barText("poilng"), "-171.00000");
    EXPECT_TRUE(mapAnswers(poiPage(), "markerIcon", {"4"},
                           [](const std::string& s) { return s.ends_with("pois/3.png"); }));
    EXPECT_TRUE(
        mapAnswers(poiPage(), "markerCount", {}, [](const std::string& s) { return s == "20"; }));
    // Every marker is on the map where the file put it: the first at its west, the last east.
    std::pair<int, int> first;
    std::pair<int, int> last;
    ASSERT_TRUE(markerAt(0, first));
    ASSERT_TRUE(markerAt(19, last));
    EXPECT_LT(first.first, last.first);
    EXPECT_LT(first.second, last.second);
}

TEST(PoiPage, ADraggedMarkerShowsItsNewPlaceInTheBar) {
    // Slot 10 sits in the middle of the map, on the equator.
    std::pair<int, int> from;
    ASSERT_TRUE(markerAt(10, from));
    GtkWidget* view = viewOf(stage->shell->window());
    motionTo(from, true);
    pump(50);
    button(view, from, GDK_BUTTON_PRESS);
    pump(50);
    for (int step = 1; step <= 8; ++step) {
        motionTo({from.first + 10 * step, from.second + 8 * step}, true);
        pump(50);
    }
    const std::pair<int, int> to{from.first + 80, from.second + 64};
    button(view, to, GDK_BUTTON_RELEASE);
    // The bar names the dragged POI at its new place: east and south of where it was.
    ASSERT_TRUE(pumpUntil([] { return barText("poiname") == "#0011"; }));
    const PoiSlot was = filePois()[10];
    EXPECT_TRUE(pumpUntil([&] {
        return std::stod(barText("poilat")) < was.latitude - 1 &&
               std::stod(barText("poilng")) > was.longitude + 1;
    })) << barText("poilat")
        << " " << barText("poilng");
    const PoiSlot& moved = host().poiPage()->state().pois[10];
    char lat[32];
    std::snprintf(lat, sizeof lat, "%.5f", static_cast<double>(moved.latitude));
    EXPECT_EQ(barText("poilat"), lat);

    // The markers on the stand-in service's grey tiles.
    EXPECT_TRUE(screenUntil("poi-markers", [](GdkPixbuf* shot) {
        const ui::Element& map = mapElement();
        auto [x0, y0] = pointIn(poiPage(), map, 0, 0);
        auto [x1, y1] = pointIn(poiPage(), map, map.location().width(), map.location().height());
        return near(pixel(shot, x0 + 5, y1 - 40), {204, 204, 204}) &&
               colours(shot, x0, y0, x1, y1) > 10;
    }));
}

TEST(PoiPage, TheIconMenuOfAMarkerChangesItsIcon) {
    std::pair<int, int> at;
    ASSERT_TRUE(markerAt(4, at));
    GtkWidget* view = viewOf(stage->shell->window());
    motionTo(at, false);
    pump(50);
    button(view, at, GDK_BUTTON_PRESS, 3);
    pump(50);
    button(view, at, GDK_BUTTON_RELEASE, 3);
    // The menu opens beside the marker, naming its POI in the bar.
    const ui::Element* cell = nullptr;
    ASSERT_TRUE(pumpUntil([&] {
        const ui::Element* menu = poiPage().document().selectFirst("#iconseltable");
        cell = poiPage().document().selectFirst("#iconseltable td[value='7']");
        return menu != nullptr && menu->isVisible() && cell != nullptr &&
               !cell->location().isEmpty();
    }));
    EXPECT_EQ(barText("poiname"), "#0005");
    const ui::Rect r = cell->location();
    const std::pair<int, int> pick = pointIn(poiPage(), *cell, r.width() / 2, r.height() / 2);
    motionTo(pick, false);
    pump(50);
    button(view, pick, GDK_BUTTON_PRESS);
    pump(50);
    button(view, pick, GDK_BUTTON_RELEASE);
    EXPECT_TRUE(mapAnswers(poiPage(), "markerIcon", {"4"},
                           [](const std::string& s) { return s.ends_with("pois/7.png"); }));
    EXPECT_EQ(host().poiPage()->state().pois[4].icon, 7);
    EXPECT_TRUE(
        pumpUntil([] { return !poiPage().document().selectFirst("#iconseltable")->isVisible(); }));
}

TEST(PoiPage, SaveToDeviceWritesTheShownPoisToTheLogger) {
    BoxAnswers boxes;
    ASSERT_TRUE(clickOn(host(), "s2devpois"));
    ASSERT_TRUE(pumpUntil([&] { return boxes.done(2); }));
    EXPECT_EQ(boxes.texts()[0], "Are you sure you want download POIs to your device?");
    EXPECT_EQ(boxes.texts()[1], "Upload Complete!");
    const std::string report = inspectLogger();
    EXPECT_NE(report.find("poi block: written\n"), std::string::npos) << report;
    EXPECT_NE(report.find("poi header: ok\n"), std::string::npos) << report;
    // The file's first POI as it came, and the dragged one at its new place.
    EXPECT_NE(
        report.find("poi 0: index 0 number 1 latitude 30.000000 longitude -171.000000 icon 3"),
        std::string::npos)
        << report;
    // The icon chosen from the menu.
    EXPECT_NE(report.find("poi 4: index 4 number 5 "), std::string::npos) << report;
    EXPECT_NE(report.find(" icon 7\n"), std::string::npos) << report;
    const PoiSlot& moved = host().poiPage()->state().pois[10];
    const size_t at = report.find("poi 10: ");
    ASSERT_NE(at, std::string::npos) << report;
    const std::string poi10 = report.substr(at, report.find('\n', at) - at);
    EXPECT_NE(poi10.find(" icon 3"), std::string::npos) << poi10;
    double lat = NAN;
    double lng = NAN;
    ASSERT_EQ(std::sscanf(poi10.c_str(), "poi 10: index %*d number %*u latitude %lf longitude %lf",
                          &lat, &lng),
              2)
        << poi10;
    EXPECT_NEAR(lat, moved.latitude, 1e-4);
    EXPECT_NEAR(lng, moved.longitude, 1e-4);
}

TEST(PoiPage, ASearchMovesTheMapAndTheSelectedPoiToThePlaceFound) {
    ASSERT_NE(stage->geocoder, nullptr);
    ASSERT_TRUE(clickOn(poiPage(), "addfind"));
    // Keys typed before the click has focused the field would go elsewhere.
    ASSERT_TRUE(pumpUntil(
        [] { return poiPage().document().selectFirst("#addfind")->hasState(ui::STATE_FOCUS); }));
    typeText("Lake Town");
    // The field shows the whole text before the button is pressed.
    ASSERT_TRUE(pumpUntil([] {
        ui::FormValues values;
        ui::collectFormValues(*poiPage().document().selectFirst("#searchmaps"), values);
        const ui::Value* typed = values.find("addfind");
        return typed != nullptr && typed->toString() == "Lake Town";
    }));
    ASSERT_TRUE(clickOn(poiPage(), "search"));
    ASSERT_TRUE(pumpUntil([] { return !stage->geocoder->queries().empty(); }));
    EXPECT_EQ(stage->geocoder->queries().back(), "Lake Town");
    std::string said;
    EXPECT_TRUE(mapAnswers(
        poiPage(), "mapCenter", {},
        [](const std::string& s) {
            const auto [lat, lng] = pairOf(s);
            return std::abs(lat - GeocoderServer::kLat) < 1e-3 &&
                   std::abs(lng - GeocoderServer::kLng) < 1e-3;
        },
        &said));
    // The selected POI, the one whose icon was chosen, now stands on the place.
    EXPECT_TRUE(pumpUntil([] { return barText("poilat") == "47.37690"; }));
    EXPECT_EQ(barText("poilng"), "8.54170");
    EXPECT_EQ(barText("poiname"), "#0005");
}

// A search service that takes the question and never answers, as one behind a dead network
// link does; Enter in the field searches as the button does. The search says at once that it
// runs and, within seconds, that the service cannot be reached.
TEST(PoiPage, EnterSearchesAndASilentServiceIsReportedWithinSeconds) {
    GSocket* silent =
        g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_TCP, nullptr);
    GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
    GSocketAddress* any = g_inet_socket_address_new(loopback, 0);
    ASSERT_TRUE(g_socket_bind(silent, any, TRUE, nullptr) && g_socket_listen(silent, nullptr));
    GSocketAddress* bound = g_socket_get_local_address(silent, nullptr);
    const std::string address =
        "http://127.0.0.1:" +
        std::to_string(g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound))) + "/search";
    const auto said = [](const std::string& start) {
        return [start](const std::string& text) { return text.rfind(start, 0) == 0; };
    };
    ASSERT_TRUE(mapAnswers(poiPage(), "useGeocoder", {address}, said("")));
    ASSERT_TRUE(clickOn(poiPage(), "addfind"));
    ASSERT_TRUE(pumpUntil(
        [] { return poiPage().document().selectFirst("#addfind")->hasState(ui::STATE_FOCUS); }));
    pressKey(stage->shell->window(), GDK_KEY_a, GDK_CONTROL_MASK);
    typeText("Lake Town");
    ASSERT_TRUE(pumpUntil([] {
        ui::FormValues values;
        ui::collectFormValues(*poiPage().document().selectFirst("#searchmaps"), values);
        const ui::Value* typed = values.find("addfind");
        return typed != nullptr && typed->toString() == "Lake Town";
    }));
    const auto start = std::chrono::steady_clock::now();
    pressKey(stage->shell->window(), GDK_KEY_Return);
    std::string message;
    EXPECT_TRUE(
        mapAnswers(poiPage(), "findMessageText", {}, said("Searching for \"Lake Town\""), &message))
        << message;
    EXPECT_TRUE(mapAnswers(poiPage(), "findMessageText", {},
                           said("The address search service cannot be reached"), &message))
        << message;
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::seconds(10));
    if (GdkPixbuf* shot = screenshot("search-unreachable")) {
        g_object_unref(shot);
    }
    EXPECT_TRUE(mapAnswers(poiPage(), "useGeocoder", {stage->geocoder->address()}, said("")));
    g_object_unref(bound);
    g_object_unref(any);
    g_object_unref(loopback);
    g_object_unref(silent);
}

TEST(PoiPage, TheSlotMenuNearTheRightEdgeShowsWholeInThePageAndTheBarShowsWhole) {
    // A right click on the map near its right edge opens the menu of the 20 slots.
    const ui::Rect map = mapElement().location();
    const std::pair<int, int> at = pointIn(poiPage(), mapElement(), map.width() - 30, 80);
    GtkWidget* view = viewOf(stage->shell->window());
    motionTo(at, false);
    pump(50);
    button(view, at, GDK_BUTTON_PRESS, 3);
    pump(50);
    button(view, at, GDK_BUTTON_RELEASE, 3);
    ui::Document& page = poiPage().document();
    ASSERT_TRUE(pumpUntil([&] {
        const ui::Element* menu = page.selectFirst("#iconsettable");
        const ui::Element* last = page.selectFirst("#iconsettable td[value='19']");
        return menu != nullptr && menu->isVisible() && last != nullptr &&
               !last->location().isEmpty();
    }));
    // Every slot's cell lies inside the page, as the page lays them out.
    const ui::Rect pages = host().document().selectFirst("#pages")->location();
    const auto inside = [&](const ui::Element& e) {
        const ui::Rect r = e.location();
        return !r.isEmpty() && r.left >= 0 && r.top >= 0 && r.right <= pages.width() &&
               r.bottom <= pages.height();
    };
    const auto outside = [&] {
        std::string out;
        for (const ui::Element* cell : page.select("#iconsettable td")) {
            if (!inside(*cell)) {
                out.append(" ").append(cell->text());
            }
        }
        return out;
    };
    EXPECT_TRUE(pumpUntil([&] { return outside().empty(); }, 5000))
        << "outside the page:" << outside();
    const ui::Element& last = *page.selectFirst("#iconsettable td[value='19']");
    EXPECT_TRUE(screenUntil("poi-slot-menu", [&](GdkPixbuf* shot) {
        const auto [x, y] = pointIn(poiPage(), last, 0, 0);
        const ui::Rect r = last.location();
        return colours(shot, x, y, x + r.width(), y + r.height()) > 2;
    }));
    // WP20, the farthest cell, takes a click: slot 20 moves to where the map was clicked.
    const PoiSlot before = host().poiPage()->state().pois[19];
    const std::pair<int, int> first = centreOf(poiPage(), "iconsettable td[value='0']");
    const std::pair<int, int> pick =
        pointIn(poiPage(), last, last.location().width() / 2, last.location().height() / 2);
    motionTo(pick, false);
    pump(50);
    button(view, pick, GDK_BUTTON_PRESS);
    pump(50);
    button(view, pick, GDK_BUTTON_RELEASE);
    EXPECT_TRUE(pumpUntil([] { return barText("poiname") == "#0020"; }));
    EXPECT_NE(host().poiPage()->state().pois[19], before);
    EXPECT_TRUE(pumpUntil([&] { return !page.selectFirst("#iconsettable")->isVisible(); }));

    // The POI bar shows whole: each framed field and what it holds inside the bar, and the bar
    // inside the page.
    const ui::Rect bar = page.selectFirst("#poibar")->location();
    EXPECT_LE(bar.bottom, pages.height());
    std::vector<ui::Element*> parts = page.select("#poibar .frame");
    EXPECT_EQ(parts.size(), 5u);
    for (const char* id : {"#poiname", "#poilat", "#poilng", "#iconurl", "#addfind", "#search"}) {
        parts.push_back(page.selectFirst(id));
    }
    for (const ui::Element* part : parts) {
        const ui::Rect r = part->location();
        EXPECT_TRUE(r.left >= bar.left && r.top >= bar.top && r.right <= bar.right &&
                    r.bottom <= bar.bottom)
            << part->text() << " at " << r.left << "," << r.top << "," << r.right << "," << r.bottom
            << " is not inside the bar " << bar.left << "," << bar.top << "," << bar.right << ","
            << bar.bottom;
    }
    // The menu has gone from the screen: the map's grey tile where WP01 was.
    EXPECT_TRUE(screenUntil("poi-bar", [&](GdkPixbuf* shot) {
        return near(pixel(shot, first.first, first.second), {204, 204, 204});
    }));
}

// The logger found at the start gave the program its own settings: the page shows them, not
// those of the settings.xml beside the program, says so, and saves them back as shown.
TEST(SettingsPage, ShowsTheLoggersOwnSettingsAndSaveWritesThemBack) {
    ASSERT_TRUE(clickOn(host(), "tab3"));
    ASSERT_TRUE(pumpUntil([] { return host().currentPage() == 3; }));
    // settings.xml said feet, 12-hour, 7 s, UTC-03:00, backlight after 15 min, barometer every
    // 30 min; the logger says metres, 24-hour, 5 s, UTC+02:00, backlight after 5 min,
    // barometer every 5 min (both Celsius, power off after 10 min).
    ui::FormValues values;
    ui::collectFormValues(settingsPage().document().root(), values);
    auto value = [&](const char* name) {
        const ui::Value* v = values.find(name);
        return v != nullptr ? v->toString() : std::string("none");
    };
    EXPECT_EQ(value("lhtype"), "0");
    EXPECT_EQ(value("tptype"), "0");
    EXPECT_EQ(value("tftype"), "1");
    EXPECT_EQ(value("logint"), "5");
    EXPECT_EQ(value("poweroff"), "2");
    EXPECT_EQ(value("bklightoff"), "1");
    EXPECT_EQ(value("inttbar"), "0");
    EXPECT_EQ(value("tzhour"), "-2");
    EXPECT_EQ(settingsPage().document().selectFirst("#timezone")->text(), "UTC+02:00");
    EXPECT_EQ(settingsPage().document().selectFirst("#altoffset")->text(), "m");
    const ui::Element& source = *settingsPage().document().selectFirst("#setsource");
    EXPECT_EQ(source.text(),
              "The logger's settings, read from " + (stage->dir / "logger.img").string() + ".");
    // They are the program's now, in memory and in settings.xml.
    EXPECT_EQ(session().settings.TimeZone, -120);
    EXPECT_NE(testing::readFile(stage->dir / "settings.xml").find("LogInterval=\"5\""),
              std::string::npos);
    // On screen too, saved with the test output: the line above the form is written, the
    // metres radio is filled round its centre, the feet one is white there.
    const auto radioCentre = [](const char* id) {
        const ui::Element& radio = *settingsPage().document().selectFirst(std::string("#") + id);
        return pointIn(settingsPage(), radio, radio.location().width() / 2,
                       radio.location().height() / 2);
    };
    EXPECT_TRUE(screenUntil("settings-from-logger", [&](GdkPixbuf* shot) {
        auto [sx, sy] = centreOf(settingsPage(), "onsetssave");
        auto [fx, fy] = radioCentre("etype");
        auto [mx, my] = radioCentre("mtype");
        auto [lx, ly] = pointIn(settingsPage(), source, 0, 0);
        const ui::Rect line = source.location();
        return sx > 0 && !line.isEmpty() &&
               colours(shot, lx, ly, lx + line.width(), ly + line.height()) > 2 &&
               near(pixel(shot, sx + 300, sy), {255, 255, 255}) &&
               colours(shot, sx - 30, sy - 300, sx + 300, sy) > 8 &&
               !near(pixel(shot, mx + 3, my), {255, 255, 255}) &&
               near(pixel(shot, fx + 3, fy), {255, 255, 255});
    }));

    // The interval typed over, as a person changes it: click, select all, type.
    const ui::Element& interval = *settingsPage().document().selectFirst("input[name='logint']");
    clickAt(pointIn(settingsPage(), interval, interval.location().width() / 3,
                    interval.location().height() / 2));
    pump(50);
    pressKey(stage->shell->window(), GDK_KEY_a, GDK_CONTROL_MASK);
    typeText("15");
    ASSERT_TRUE(pumpUntil([] {
        ui::FormValues typed;
        ui::collectFormValues(settingsPage().document().root(), typed);
        const ui::Value* v = typed.find("logint");
        return v != nullptr && v->toString() == "15";
    }));

    // Save writes them to the logger as they are shown.
    BoxAnswers boxes;
    ASSERT_TRUE(clickOn(settingsPage(), "onsetssave"));
    ASSERT_TRUE(pumpUntil([&] { return boxes.done(1); }));
    EXPECT_EQ(boxes.texts()[0], "Save Complete!");
    EXPECT_EQ(session().settings.LogInterval, 15);
    const std::string report = inspectLogger();
    for (const char* line :
         {"settings TimeZone offset east: 120 min\n", "settings Temperature: 1 (C)\n",
          "settings TimeFormat: 2 (24-hour)\n", "settings Length: 1 (metric)\n",
          "settings PowerOff: 2 (10 min)\n", "settings Backlight: 1 (5 min)\n",
          "settings LogInterval: 15 s\n", "settings Tnttbar: 0 (5 min)\n"}) {
        EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;
    }
}

// The text of a field of the Settings page as the page holds it.
std::string settingsField(const char* name) {
    ui::FormValues values;
    ui::collectFormValues(settingsPage().document().root(), values);
    const ui::Value* v = values.find(name);
    return v != nullptr ? v->toString() : std::string();
}

// Typed over as a person does, once the field has the focus: click, select all, type.
::testing::AssertionResult typeInto(const char* name, const std::string& text) {
    const ui::Element& field =
        *settingsPage().document().selectFirst(std::string("input[name='") + name + "']");
    clickAt(pointIn(settingsPage(), field, field.location().width() / 3,
                    field.location().height() / 2));
    ::testing::AssertionResult focused = pumpUntil([&] { return field.hasState(ui::STATE_FOCUS); });
    if (!focused) {
        return focused;
    }
    pressKey(stage->shell->window(), GDK_KEY_a, GDK_CONTROL_MASK);
    typeText(text);
    ::testing::AssertionResult held = pumpUntil([&] { return settingsField(name) == text; });
    if (!held) {
        held << "; the field holds " << settingsField(name);
    }
    return held;
}

// A tile service added in Settings is offered at once by the POI map opened before, which
// keeps showing the map it shows.
TEST(SettingsPage, ATileServiceAddedIsOfferedByTheOpenPoiMap) {
    std::string said;
    ASSERT_TRUE(mapAnswers(
        poiPage(), "shownSource", {},
        [](const std::string& t) { return t.rfind("OpenStreetMap|", 0) == 0; }, &said))
        << said;
    // The test above leaves the Settings page shown.
    if (host().currentPage() != 3) {
        ASSERT_TRUE(clickOn(host(), "tab3"));
    }
    ASSERT_TRUE(pumpUntil([] { return host().currentPage() == 3; }));
    ASSERT_TRUE(typeInto("mapname", "Lake Maps"));
    ASSERT_TRUE(typeInto("maptiles", stage->tiles->address() + "{z}/{x}/{y}.png"));
    ASSERT_TRUE(clickOn(settingsPage(), "addmapservice"));
    ASSERT_TRUE(pumpUntil([] {
        return settingsPage().document().selectFirst("#maplist")->text().find("Lake Maps") !=
               std::string::npos;
    }));
    EXPECT_TRUE(mapAnswers(
        poiPage(), "mapSourceNames", {},
        [](const std::string& t) { return t.find("|Lake Maps") != std::string::npos; }, &said))
        << said;
    EXPECT_TRUE(mapAnswers(
        poiPage(), "shownSource", {},
        [](const std::string& t) { return t.rfind("OpenStreetMap|", 0) == 0; }, &said))
        << said;
}

// A mistyped address is mended in Settings and the map showing that source follows it; a map
// removed there goes from every list, and the map that showed it falls back to the standard
// map.
TEST(SettingsPage, AMapIsEditedAndRemovedAndTheMapShowingItFallsBack) {
    const auto startsWith = [](std::string start) {
        return [start](const std::string& t) { return t.rfind(start, 0) == 0; };
    };
    ASSERT_TRUE(mapAnswers(poiPage(), "chooseMapSource", {"Lake Maps"}, startsWith("")));
    ASSERT_TRUE(mapAnswers(poiPage(), "shownSource", {}, startsWith("Lake Maps|")));
    ASSERT_EQ(settingsField("mapsel"), "Lake Maps");
    ASSERT_TRUE(clickOn(settingsPage(), "editmap"));
    ASSERT_TRUE(pumpUntil([] { return settingsField("mapname") == "Lake Maps"; }));
    const std::string mended = stage->tiles->address() + "lake/{z}/{x}/{y}.png";
    ASSERT_TRUE(typeInto("maptiles", mended));
    ASSERT_TRUE(clickOn(settingsPage(), "savemapservice"));
    std::string said;
    EXPECT_TRUE(mapAnswers(
        poiPage(), "eval", {"tiles._url"}, [&](const std::string& t) { return t == mended; },
        &said))
        << said;
    EXPECT_NE(testing::readFile(stage->dir / "mapsources.xml").find(mended), std::string::npos);

    ASSERT_TRUE(clickOn(settingsPage(), "removemap"));
    EXPECT_TRUE(mapAnswers(poiPage(), "shownSource", {}, startsWith("OpenStreetMap|"), &said))
        << said;
    EXPECT_TRUE(mapAnswers(
        poiPage(), "mapSourceNames", {},
        [](const std::string& t) { return t.find("Lake Maps") == std::string::npos; }, &said))
        << said;
    EXPECT_EQ(settingsPage().document().selectFirst("#maplist")->text().find("Lake Maps"),
              std::string::npos);
    EXPECT_EQ(testing::readFile(stage->dir / "mapsources.xml").find("Lake Maps"),
              std::string::npos);
}

// At the smallest window and at 1024 x 700 every section of the Settings page shows whole,
// down to the Maps box's last button.
TEST(SettingsPage, EverySectionShowsAtTheSmallestWindow) {
    GtkWindow* window = GTK_WINDOW(stage->shell->window());
    int width = 0;
    int height = 0;
    gtk_window_get_size(window, &width, &height);
    if (host().currentPage() != 3) {
        ASSERT_TRUE(clickOn(host(), "tab3"));
    }
    for (const auto& [w, h] : {std::pair{960, 672}, std::pair{1024, 700}}) {
        gtk_window_resize(window, w, h);
        const ui::Element& pages = *host().document().selectFirst("#pages");
        ASSERT_TRUE(pumpUntil([&, w = w, h = h] {
            int now[2] = {0, 0};
            gtk_window_get_size(window, &now[0], &now[1]);
            return now[0] == w && now[1] == h;
        }));
        pump(500);
        const ui::Element& last = *settingsPage().document().selectFirst("#savemapservice");
        EXPECT_TRUE(pumpUntil([&] {
            const ui::Rect r = last.location();
            return !r.isEmpty() && r.bottom <= pages.location().height() &&
                   r.right <= pages.location().width();
        })) << w
            << " x " << h;
        if (GdkPixbuf* shot = screenshot("settings-" + std::to_string(w))) {
            g_object_unref(shot);
        }
    }
    gtk_window_resize(window, width, height);
}

}  // namespace
}  // namespace vandrel::gtk
