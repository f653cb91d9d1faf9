// The track page of the desktop program under Xvfb, driven as a user does: the logger's
// download, the month with the marked days, a day's list, a track drawn on the map page, and
// the list's menu saving a track as GPX and deleting one. CTest runs this suite twice: with a
// local server standing in for the tile service, and with none, where the map page draws its
// built-in world outline only.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "flows/app_data.h"
#include "gtk_shell/shell_stage.h"
#include "map/map_widget.h"
#include "process_cpu.h"
#include "store/sqlite_db.h"
#include "tracks/track_page.h"
#include "ui/browser_host.h"
#include "ui/list_view.h"
#include "ui/static_control.h"

namespace vandrel::gtk {
namespace {

tracks::CPageTrack& trackPage() {
    return *host().trackPage();
}

ui::ListView& trackList() {
    ui::HtmlWindow& page = trackPage();
    return *dynamic_cast<ui::ListView*>(
        page.control(*page.document().selectFirst("widget[id='6000']")));
}

std::string run() {
    return stage->tiles != nullptr ? "tiles" : "offline";
}

int storedPoints(int objid) {
    return TrackDatabase::instance().scalar(
        ("select count(*) from TKPT where tkid=" + std::to_string(objid) + ";").c_str());
}

// The rectangle of a day of the shown month in the calendar control, or an empty one.
ui::Rect dayCell(int day) {
    const tracks::MonthCalendar& calendar = trackPage().calendar();
    for (const tracks::CalendarCell& cell : calendar.cells()) {
        if (cell.date == tracks::CalendarDate{calendar.year(), calendar.month(), day}) {
            return cell.rect;
        }
    }
    return {};
}

// A point of the calendar control in the main window.
std::pair<int, int> inCalendar(int x, int y) {
    return pointIn(trackPage(), *trackPage().document().selectFirst("widget[id='5000']"), x, y);
}

std::pair<int, int> rowCentre(int row) {
    ui::ListView& list = trackList();
    const ui::Element& e = *list.element();
    return pointIn(
        trackPage(), e, e.location().width() / 2,
        list.headerHeight() + row * list.rowHeight() + list.rowHeight() / 2 - list.scrollTop());
}

void doubleClickAt(std::pair<int, int> at) {
    GtkWidget* view = viewOf(stage->shell->window());
    clickAt(at);
    button(view, at, GDK_2BUTTON_PRESS);
    pump(30);
    button(view, at, GDK_BUTTON_RELEASE);
    pump(30);
}

bool menuShown() {
    for (ui::Element* popup : trackPage().shownPopups()) {
        if (popup->attribute("id") == "tkmenu") {
            return true;
        }
    }
    return false;
}

// Right-clicks the row and waits for the list's menu to show on screen.
::testing::AssertionResult openMenuOn(int row) {
    clickAt(rowCentre(row), 3);
    ::testing::AssertionResult shown = pumpUntil([] {
        return menuShown() && !trackPage().document().selectFirst("#tkdel")->location().isEmpty();
    });
    if (!shown) {
        return shown;
    }
    // A white menu with its three texts on it.
    return screenUntil("track-menu-" + run(), [](GdkPixbuf* shot) {
        auto [x, y] = centreOf(trackPage(), "tkgpx");
        auto [dx, dy] = centreOf(trackPage(), "tkdel");
        return near(pixel(shot, x + 170, y), {255, 255, 255}) &&
               colours(shot, x - 170, y - 8, dx + 170, dy + 8) > 3;
    });
}

// Waits until the map page says its track line holds that many points, asking again after
// each answer.
::testing::AssertionResult mapLineHolds(int points) {
    struct Asking {
        bool waiting = false;
        std::string said = "nothing";
    };
    auto asking = std::make_shared<Asking>();
    ::testing::AssertionResult held = pumpUntil([&] {
        ui::BrowserHost* map = map::mapWidget(trackPage());
        if (!asking->waiting && map != nullptr) {
            asking->waiting =
                map->callFunction("trackPointCount", {}, [asking](bool found, std::string result) {
                    asking->said = found ? result : "no function";
                    asking->waiting = false;
                });
        }
        return asking->said == std::to_string(points);
    });
    if (!held) {
        held << "; the map page said " << asking->said << ", not " << points;
    }
    return held;
}

TEST(TrackPage, TheDownloadedDaysAreMarkedInTheirMonth) {
    ASSERT_TRUE(pumpUntil(pagesReady));
    ASSERT_TRUE(clickOn(host(), "tab2"));
    ASSERT_TRUE(pumpUntil([] { return host().currentPage() == 2; }));
    // The download ends with its notice, answered with Enter once it shows.
    std::string notice;
    Ticker answer([&notice] {
        GtkShell& shell = *stage->shell;
        if (shell.boxWindow() == nullptr || !shell.renderer().isReady(*shell.boxView())) {
            return true;
        }
        notice = shell.boxView()->document().selectFirst("#MsgText")->text();
        pressKey(shell.boxWindow(), GDK_KEY_Return);
        return false;
    });
    ASSERT_TRUE(clickOn(host(), "lfromdevtrack"));
    ASSERT_TRUE(pumpUntil([&] { return !notice.empty() && stage->shell->boxWindow() == nullptr; }));
    EXPECT_EQ(notice, "Download Complete!");
    ASSERT_EQ(TrackDatabase::instance().scalar("select count(*) from TK;"), kLoggedTracks);

    // The calendar opens on this month; the tracks are in the one before.
    const YearMonth logged = loggedMonth();
    ASSERT_TRUE(clickOn(trackPage(), "lastmon"));
    const tracks::MonthCalendar& calendar = trackPage().calendar();
    ASSERT_TRUE(pumpUntil(
        [&] { return calendar.year() == logged.year && calendar.month() == logged.month; }));
    char label[16];
    std::snprintf(label, sizeof label, "%.4d-%.2d", logged.year, logged.month);
    EXPECT_EQ(trackPage().document().selectFirst("#calendardate")->text(), label);
    // The fill of a cell shows near its corner, clear of the day's number: orange from the
    // first to the last day with a track, white the day after.
    const int last = kFirstLoggedDay + kLoggedDays - 1;
    EXPECT_TRUE(screenUntil("calendar-marked-" + run(), [&](GdkPixbuf* shot) {
        auto fill = [&](int day) {
            const ui::Rect cell = dayCell(day);
            auto [x, y] = inCalendar(cell.left + 4, cell.top + 4);
            return pixel(shot, x, y);
        };
        return near(fill(kFirstLoggedDay), {255, 128, 64}) && near(fill(last), {255, 128, 64}) &&
               near(fill(last + 1), {255, 255, 255});
    }));
}

TEST(TrackPage, AClickOnAMarkedDayListsItsTracks) {
    const ui::Rect cell = dayCell(kFirstLoggedDay);
    ASSERT_FALSE(cell.isEmpty());
    clickAt(inCalendar((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
    EXPECT_TRUE(pumpUntil([] { return trackList().rowCount() == kTracksOnFirstDay; }));
    EXPECT_EQ(trackPage().document().selectFirst("#tracknum")->text(), "Total 2 Tracks");
}

TEST(TrackPage, ADoubleClickOnARowDrawsItsTrackOnTheMap) {
    ASSERT_EQ(trackList().rowCount(), kTracksOnFirstDay);
    // After the first answer of the probe, or its failure, the map page is loaded and enabled.
    ASSERT_TRUE(pumpUntil([] {
        ui::BrowserHost* map = map::mapWidget(trackPage());
        return AppData::instance().MapsLoaded && map->isEnabled() && map->isLoaded() &&
               fs::path(map->address()).filename() == "tmaps.html";
    }));
    // The second track of the day, 13:00, of 600 points.
    doubleClickAt(rowCentre(1));
    ASSERT_TRUE(pumpUntil([] { return trackPage().shownTrack() == 1; }));
    const int points = storedPoints(AppData::instance().dayTracks[1].objid);
    EXPECT_EQ(points, 600);
    EXPECT_TRUE(mapLineHolds(points));
    // The line is drawn in red over the service's tiles (plain grey here), or without a
    // service over the built-in outline's land.
    const Rgb ground = stage->tiles != nullptr ? Rgb{204, 204, 204} : Rgb{243, 241, 231};
    EXPECT_TRUE(screenUntil("track-drawn-" + run(), [&](GdkPixbuf* shot) {
        const ui::Element& map = *trackPage().document().selectFirst("widget[id='2000']");
        auto [x0, y0] = pointIn(trackPage(), map, 0, 0);
        auto [x1, y1] = pointIn(trackPage(), map, map.location().width(), map.location().height());
        int red = 0;
        int under = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                const Rgb c = pixel(shot, x, y);
                red += near(c, {212, 32, 32}) ? 1 : 0;
                under += near(c, ground) ? 1 : 0;
            }
        }
        return red > 50 && under > (x1 - x0) * (y1 - y0) / 2;
    }));
    if (stage->tiles != nullptr) {
        // The tile service is asked as the program, as its usage policy wants.
        ASSERT_TRUE(pumpUntil([] { return !stage->tiles->tileAgents().empty(); }));
        for (const std::string& agent : stage->tiles->tileAgents()) {
            EXPECT_NE(agent.find("Vandrel/"), std::string::npos) << agent;
        }
    }
}

// Once a shown track has settled nothing runs on: no animation, no timer redrawing the window
// (a list's scroll bar fading for seconds once cost two CPU-seconds after each click).
TEST(TrackPage, AShownTrackLeavesTheWebProcessIdle) {
    doubleClickAt(rowCentre(1));
    ASSERT_TRUE(mapLineHolds(600));
    pump(1500);
    const testing::ProcessCpu before = testing::processCpu();
    pump(2000);
    const double web = (testing::processCpu() - before).web;
    EXPECT_LT(web, 0.1) << "the web process used " << web << " CPU-seconds while idle";
}

TEST(TrackPage, TheRowMenuSavesTheTrackAsGpx) {
    ASSERT_TRUE(openMenuOn(1));
    // The file chooser: the file's whole path typed as its name, then Enter.
    const fs::path saved = stage->dir / "saved.gpx";
    bool typed = false;
    Ticker chooser([&] {
        GtkWidget* dialog = shownFileChooser();
        GtkWidget* name = dialog != nullptr ? gtk_window_get_focus(GTK_WINDOW(dialog)) : nullptr;
        if (name == nullptr || !GTK_IS_ENTRY(name)) {
            return true;
        }
        gtk_entry_set_text(GTK_ENTRY(name), saved.c_str());
        pressKey(dialog, GDK_KEY_Return);
        typed = true;
        return false;
    });
    ASSERT_TRUE(clickOn(trackPage(), "tkgpx"));
    ASSERT_TRUE(pumpUntil([&] { return typed && shownFileChooser() == nullptr; }));
    ASSERT_TRUE(pumpUntil([&] { return fs::exists(saved); }));
    EXPECT_FALSE(menuShown());
    // Every point of the row's track, in a file that the GPX schema accepts.
    const std::string gpx = testing::readFile(saved);
    size_t points = 0;
    for (size_t at = gpx.find("<trkpt"); at != std::string::npos; at = gpx.find("<trkpt", at + 1)) {
        ++points;
    }
    EXPECT_EQ(points, 600u);
    gchar* xmllint = g_find_program_in_path("xmllint");
    const bool haveXmllint = xmllint != nullptr;
    g_free(xmllint);
    VANDREL_SKIP_UNLESS(haveXmllint, "xmllint");
    const std::string schema = testing::testData("schema/gpx11.xsd").string();
    const gchar* argv[] = {"xmllint",      "--noout",     "--schema",
                           schema.c_str(), saved.c_str(), nullptr};
    gchar* err = nullptr;
    gint status = -1;
    ASSERT_TRUE(g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_SEARCH_PATH,
                             nullptr, nullptr, nullptr, &err, &status, nullptr));
    EXPECT_TRUE(g_spawn_check_wait_status(status, nullptr)) << err;
    g_free(err);
}

TEST(TrackPage, DeletingTheShownTrackWithYesRemovesItEverywhere) {
    ASSERT_EQ(trackPage().shownTrack(), 1);
    const int objid = AppData::instance().dayTracks[1].objid;
    ASSERT_TRUE(openMenuOn(1));
    // The question's Yes button, pressed and released with the pointer.
    std::string question;
    bool pressed = false;
    Ticker yes([&] {
        GtkShell& shell = *stage->shell;
        if (shell.boxWindow() == nullptr || !shell.renderer().isReady(*shell.boxView())) {
            return true;
        }
        const ui::Element* button = shell.boxView()->document().selectFirst("#MsgYes");
        if (button->location().isEmpty()) {
            return true;
        }
        const ui::Rect r = button->location();
        const std::pair<int, int> at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        if (!pressed) {
            question = shell.boxView()->document().selectFirst("#MsgText")->text();
            testing::sendButton(viewOf(shell.boxWindow()), at, GDK_BUTTON_PRESS);
            pressed = true;
            return true;
        }
        testing::sendButton(viewOf(shell.boxWindow()), at, GDK_BUTTON_RELEASE);
        return false;
    });
    ASSERT_TRUE(clickOn(trackPage(), "tkdel"));
    ASSERT_TRUE(pumpUntil([&] { return pressed && stage->shell->boxWindow() == nullptr; }));
    EXPECT_EQ(question, "Are you sure delete logs data?");
    EXPECT_TRUE(pumpUntil([] { return trackList().rowCount() == kTracksOnFirstDay - 1; }));
    EXPECT_EQ(trackPage().document().selectFirst("#tracknum")->text(), "Total 1 Track");
    EXPECT_EQ(TrackDatabase::instance().scalar("select count(*) from TK;"), kLoggedTracks - 1);
    EXPECT_EQ(TrackDatabase::instance().scalar(
                  ("select count(*) from TK where objid=" + std::to_string(objid) + ";").c_str()),
              0);
    EXPECT_EQ(storedPoints(objid), 0);
    EXPECT_EQ(trackPage().shownTrack(), -1);
    EXPECT_TRUE(mapLineHolds(0));
}

// The display of a shown track, in the run without a tile service only: the profile chart,
// the Detail list of its points, the playback's car and a photo on a point. These go on from
// the day the tests above left, whose one track is the 10:00 one of 720 points.

ui::StaticControl& chartControl() {
    ui::HtmlWindow& page = trackPage();
    return *dynamic_cast<ui::StaticControl*>(
        page.control(*page.document().selectFirst("widget[id='5001']")));
}

ui::ListView& pointList() {
    ui::HtmlWindow& page = trackPage();
    return *dynamic_cast<ui::ListView*>(
        page.control(*page.document().selectFirst("widget[id='6001']")));
}

const ui::Element& mapElement() {
    return *trackPage().document().selectFirst("widget[id='2000']");
}

const std::vector<TrackPoint>& shownPoints() {
    return AppData::instance().dayTracks[static_cast<std::size_t>(trackPage().shownTrack())].points;
}

// A point of the chart control in the main window.
std::pair<int, int> inChart(int x, int y) {
    return pointIn(trackPage(), *chartControl().element(), x, y);
}

struct LatLng {
    double lat = 0;
    double lng = 0;
};
std::optional<LatLng> latLng(const std::string& text) {
    LatLng at;
    if (std::sscanf(text.c_str(), "%lf,%lf", &at.lat, &at.lng) != 2) {
        return std::nullopt;
    }
    return at;
}
// Degrees within which two positions count as one: the map pans by whole pixels.
constexpr double kSamePlace = 2e-4;
bool samePlace(const std::string& text, double lat, double lng) {
    const std::optional<LatLng> at = latLng(text);
    return at && std::abs(at->lat - lat) < kSamePlace && std::abs(at->lng - lng) < kSamePlace;
}

// A place in the map page ("x,y" of its pixels) as a point of the main window.
std::optional<std::pair<int, int>> mapPlace(const std::string& text) {
    int x = 0;
    int y = 0;
    if (std::sscanf(text.c_str(), "%d,%d", &x, &y) != 2) {
        return std::nullopt;
    }
    return pointIn(trackPage(), mapElement(), x, y);
}

// Clicks the place the map page names once it names one inside the map.
::testing::AssertionResult clickMapPlace(
    const std::string& function, const std::vector<std::string>& args,
    std::source_location where = std::source_location::current()) {
    const ui::Rect box = mapElement().location();
    std::string said;
    ::testing::AssertionResult placed = mapAnswers(
        trackPage(), function, args,
        [&](const std::string& text) {
            int x = 0;
            int y = 0;
            return std::sscanf(text.c_str(), "%d,%d", &x, &y) == 2 && x > 0 && y > 0 &&
                   x < box.width() && y < box.height();
        },
        &said, where);
    if (placed) {
        clickAt(*mapPlace(said));
    }
    return placed;
}

// The element's box in the main window, within the screen.
ui::Rect screenBox(GdkPixbuf* shot, const ui::Element& element) {
    auto [x0, y0] = pointIn(trackPage(), element, 0, 0);
    auto [x1, y1] =
        pointIn(trackPage(), element, element.location().width(), element.location().height());
    return {std::max(x0, 0), std::max(y0, 0), std::min(x1, gdk_pixbuf_get_width(shot)),
            std::min(y1, gdk_pixbuf_get_height(shot))};
}

int pixelsNear(GdkPixbuf* shot, const ui::Element& element, Rgb colour) {
    const ui::Rect box = screenBox(shot, element);
    int found = 0;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            found += near(pixel(shot, x, y), colour) ? 1 : 0;
        }
    }
    return found;
}

TEST(TrackDisplay, TheShownTrackDrawsItsChartWhoseHoverTellsAndClickCentresTheMap) {
    ASSERT_EQ(trackList().rowCount(), 1);
    doubleClickAt(rowCentre(0));
    ASSERT_TRUE(pumpUntil([] { return trackPage().shownTrack() == 0; }));
    ASSERT_EQ(shownPoints().size(), 720u);
    ASSERT_TRUE(mapLineHolds(720));
    ASSERT_TRUE(pumpUntil([] { return trackPage().chart().pointCount() == 720; }));
    const ui::Element& chart = *chartControl().element();
    ASSERT_FALSE(chart.location().isEmpty());
    // The profile's line, blue on the chart.
    EXPECT_TRUE(screenUntil("track-chart-" + run(), [&](GdkPixbuf* shot) {
        return pixelsNear(shot, chart, {0x30, 0x42, 0xF1}) > 50;
    }));

    // The pointer over the plot area: the tip tells the distance and value of the point there.
    const ui::Rect plot =
        tracks::ProfileChart::plotArea(chart.location().width(), chart.location().height());
    const int x = plot.left + plot.width() / 4;
    const int y = plot.top + plot.height() / 2;
    motionTo(inChart(x - 10, y), false);
    pump(30);
    motionTo(inChart(x, y), false);
    pump(30);
    const ui::Element& tip = *trackPage().document().selectFirst("#charttip");
    EXPECT_TRUE(pumpUntil([&] { return !tip.location().isEmpty(); }));
    EXPECT_EQ(tip.text().rfind("Distance:", 0), 0u) << tip.text();

    // A click there centres the map on that point.
    const int index = trackPage().chart().pointAt(x, chart.location().width());
    ASSERT_GE(index, 0);
    const TrackPoint target = trackPage().chart().point(index);
    std::string before;
    ASSERT_TRUE(mapAnswers(
        trackPage(), "mapCenter", {}, [](const std::string& s) { return latLng(s).has_value(); },
        &before));
    ASSERT_FALSE(samePlace(before, target.lat, target.lng)) << before;
    clickAt(inChart(x, y));
    EXPECT_TRUE(
        mapAnswers(trackPage(), "mapCenter", {},
                   [&](const std::string& s) { return samePlace(s, target.lat, target.lng); }))
        << "point " << index << " at " << target.lat << "," << target.lng;
}

TEST(TrackDisplay, TheDetailViewListsEveryPoint) {
    ASSERT_EQ(trackPage().shownTrack(), 0);
    ASSERT_TRUE(clickOn(trackPage(), "funcpage2"));
    const ui::Element& list = *pointList().element();
    ASSERT_TRUE(
        pumpUntil([&] { return !list.location().isEmpty() && mapElement().location().isEmpty(); }));
    EXPECT_EQ(pointList().rowCount(), static_cast<int>(shownPoints().size()));
    // Rows of black text over the list's white, below its header: ten rows' height of them.
    EXPECT_TRUE(screenUntil("point-list-" + run(), [&](GdkPixbuf* shot) {
        const ui::Rect box = screenBox(shot, list);
        int black = 0;
        for (int y = box.top + 20; y < std::min(box.top + 220, box.bottom); ++y) {
            for (int x = box.left; x < box.right; ++x) {
                black += near(pixel(shot, x, y), {0, 0, 0}) ? 1 : 0;
            }
        }
        return !box.isEmpty() &&
               pixelsNear(shot, list, {255, 255, 255}) > box.width() * box.height() / 3 &&
               black > 1000;
    }));
    ASSERT_TRUE(clickOn(trackPage(), "funcpage1"));
    ASSERT_TRUE(pumpUntil([&] { return !mapElement().location().isEmpty(); }));
}

TEST(TrackDisplay, PlayMovesTheCarAndStopRewindsIt) {
    ASSERT_EQ(trackPage().shownTrack(), 0);
    ASSERT_TRUE(clickOn(trackPage(), "onplay"));
    std::string first;
    ASSERT_TRUE(mapAnswers(
        trackPage(), "carPosition", {}, [](const std::string& s) { return latLng(s).has_value(); },
        &first));
    // Later the car is elsewhere, and later still elsewhere again.
    std::string second;
    EXPECT_TRUE(mapAnswers(
        trackPage(), "carPosition", {},
        [&](const std::string& s) { return latLng(s) && s != first; }, &second));
    EXPECT_TRUE(mapAnswers(trackPage(), "carPosition", {}, [&](const std::string& s) {
        return latLng(s) && s != first && s != second;
    }));
    ASSERT_TRUE(clickOn(trackPage(), "onstop"));
    const TrackPoint start = shownPoints().front();
    EXPECT_TRUE(mapAnswers(trackPage(), "carPosition", {}, [&](const std::string& s) {
        return samePlace(s, start.lat, start.lng);
    }));
}

TEST(TrackDisplay, APhotoIsAttachedToAPointOfTheLineShownAndRemoved) {
    ASSERT_EQ(trackPage().shownTrack(), 0);
    const int objid = AppData::instance().dayTracks[0].objid;
    auto photosStored = [objid] {
        return TrackDatabase::instance().scalar(("select count(*) from TKPT where tkid=" +
                                                 std::to_string(objid) + " and length(pho)>0;")
                                                    .c_str());
    };
    ASSERT_EQ(photosStored(), 0);
    // A click on the line, at a point halfway along it, opens the bubble with its link.
    const TrackPoint& middle = shownPoints()[shownPoints().size() / 2];
    ASSERT_TRUE(
        clickMapPlace("placeOfPosition", {std::to_string(middle.lat), std::to_string(middle.lng)}));
    ASSERT_TRUE(
        mapAnswers(trackPage(), "infoShown", {}, [](const std::string& s) { return s == "yes"; }));

    // The photo: a small green JPEG, chosen in the file chooser by typing its path and Enter.
    const fs::path picture = stage->dir / "picture.jpg";
    GdkPixbuf* green = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 64, 48);
    gdk_pixbuf_fill(green, 0x20A040FF);
    ASSERT_TRUE(gdk_pixbuf_save(green, picture.c_str(), "jpeg", nullptr, nullptr));
    g_object_unref(green);
    bool typed = false;
    int ticks = 0;
    Ticker chooser([&] {
        GtkWidget* dialog = shownFileChooser();
        if (typed) {
            // The entry's completion may take the first Enter.
            if (dialog != nullptr) {
                pressKey(dialog, GDK_KEY_Return);
            }
            return dialog != nullptr;
        }
        if (dialog == nullptr) {
            return true;
        }
        GtkWidget* name = gtk_window_get_focus(GTK_WINDOW(dialog));
        if (name == nullptr || !GTK_IS_ENTRY(name)) {
            // The chooser opens on its list of files: Ctrl+L opens its location entry (a
            // second Ctrl+L would close it again, so not before the first had a second).
            if (ticks++ % 20 == 0) {
                pressKey(dialog, GDK_KEY_l, GDK_CONTROL_MASK);
            }
            return true;
        }
        gtk_entry_set_text(GTK_ENTRY(name), picture.c_str());
        pressKey(dialog, GDK_KEY_Return);
        typed = true;
        return true;
    });
    ASSERT_TRUE(clickMapPlace("placeInInfo", {"addphoto"}));
    ASSERT_TRUE(pumpUntil([&] { return typed && shownFileChooser() == nullptr; }));
    ASSERT_TRUE(pumpUntil([&] { return photosStored() == 1; }));
    int index = -1;
    for (std::size_t i = 0; i < shownPoints().size(); ++i) {
        if (!shownPoints()[i].pho.empty()) {
            index = static_cast<int>(i);
        }
    }
    ASSERT_GE(index, 0);
    const fs::path copy = shownPoints()[static_cast<std::size_t>(index)].pho;
    EXPECT_TRUE(fs::exists(copy)) << copy;
    EXPECT_EQ(testing::readFile(copy), testing::readFile(picture));

    // Its marker, clicked, shows the picture in the bubble.
    ASSERT_TRUE(clickMapPlace("placeOfPhoto", {std::to_string(index)}));
    EXPECT_TRUE(mapAnswers(trackPage(), "infoImageWidth", {},
                           [](const std::string& s) { return std::atoi(s.c_str()) > 0; }));
    EXPECT_TRUE(screenUntil("photo-bubble-" + run(), [](GdkPixbuf* shot) {
        return pixelsNear(shot, mapElement(), {0x20, 0xA0, 0x40}) > 5000;
    }));

    // Its remove link takes it away: the marker, the row's photo and the copy.
    ASSERT_TRUE(clickMapPlace("placeInInfo", {"removephoto"}));
    EXPECT_TRUE(mapAnswers(trackPage(), "placeOfPhoto", {std::to_string(index)},
                           [](const std::string& s) { return s.empty(); }));
    EXPECT_TRUE(pumpUntil([&] { return photosStored() == 0; }));
    EXPECT_TRUE(shownPoints()[static_cast<std::size_t>(index)].pho.empty());
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_TRUE(
        mapAnswers(trackPage(), "infoShown", {}, [](const std::string& s) { return s == "no"; }));
}

}  // namespace
}  // namespace vandrel::gtk
