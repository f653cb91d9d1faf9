// The track page of the desktop program under Xvfb, driven as a user does: the logger's
// download, the month with the marked days, a day's list, a track drawn on the map page, and
// the list's menu saving a track as GPX and deleting one. CTest runs this suite twice: with a
// local server standing in for the tile service, and with none, where the map page draws its
// built-in world outline only.

#include <cstdio>
#include <memory>
#include <string>

#include "flows/app_data.h"
#include "gtk_shell/shell_stage.h"
#include "map/map_widget.h"
#include "store/sqlite_db.h"
#include "tracks/track_page.h"
#include "ui/browser_host.h"
#include "ui/list_view.h"

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

// The file chooser the program shows now, or null.
GtkWidget* shownFileChooser() {
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

}  // namespace
}  // namespace vandrel::gtk
