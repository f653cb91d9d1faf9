// The track page of the desktop program under Xvfb, driven as a user does: the logger's
// download, the month with the marked days, a day's list, a track drawn on the map page, and
// the list's menu saving a track as GPX and deleting one. CTest runs this suite twice: with a
// local server standing in for the tile service, and with none, where the map page draws its
// built-in world outline only.

#include <cstdio>
#include <string>

#include "exchange/track_name.h"
#include "gtk_shell/track_page_stage.h"
#include "process_cpu.h"

namespace vandrel::gtk {
namespace {

TEST(TrackPage, TheDownloadOpensTheCalendarOnItsNewestTrackWithTheDaysMarked) {
    ASSERT_TRUE(pumpUntil(pagesReady));
    ASSERT_TRUE(clickOn(host(), "tab2"));
    ASSERT_TRUE(pumpUntil([] { return host().currentPage() == 2; }));
    // The download ends with its notice, answered with Enter once it shows.
    std::string notice;
    const auto answer = answerWithEnter(notice);
    ASSERT_TRUE(clickOn(host(), "lfromdevtrack"));
    ASSERT_TRUE(pumpUntil([&] { return !notice.empty() && stage->shell->boxWindow() == nullptr; }));
    EXPECT_EQ(notice, "Download Complete!");
    ASSERT_EQ(session().database().scalar("select count(*) from TK;"), kLoggedTracks);

    // The tracks are in the month before this one: the calendar goes there, to the day of the
    // newest track, and lists it.
    const YearMonth logged = loggedMonth();
    const tracks::MonthCalendar& calendar = trackPage().calendar();
    const int last = kFirstLoggedDay + kLoggedDays - 1;
    ASSERT_TRUE(pumpUntil(
        [&] { return calendar.year() == logged.year && calendar.month() == logged.month; }));
    EXPECT_EQ(calendar.selectedDate(), (tracks::CalendarDate{logged.year, logged.month, last}));
    EXPECT_TRUE(pumpUntil([] { return trackList().rowCount() == 1; }));
    char label[16];
    std::snprintf(label, sizeof label, "%.4d-%.2d", logged.year, logged.month);
    EXPECT_EQ(trackPage().document().selectFirst("#calendardate")->text(), label);
    // The fill of a cell shows near its corner, clear of the day's number: orange from the
    // first to the last day with a track, white the day after.
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
        return trackPage().mapsLoaded() && map->isEnabled() && map->isLoaded() &&
               fs::path(map->address()).filename() == "tmaps.html";
    }));
    // The second track of the day, 13:00, of 600 points.
    doubleClickAt(rowCentre(1));
    ASSERT_TRUE(pumpUntil([] { return trackPage().shownTrack() == 1; }));
    const int points = storedPoints(trackPage().dayTracks()[1].objid);
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
    std::string offered;
    Ticker chooser([&] {
        GtkWidget* dialog = shownFileChooser();
        GtkWidget* name = dialog != nullptr ? gtk_window_get_focus(GTK_WINDOW(dialog)) : nullptr;
        if (name == nullptr || !GTK_IS_ENTRY(name)) {
            return true;
        }
        offered = gtk_entry_get_text(GTK_ENTRY(name));
        gtk_entry_set_text(GTK_ENTRY(name), saved.c_str());
        pressKey(dialog, GDK_KEY_Return);
        typed = true;
        return false;
    });
    // The export ends with its notice, naming the file; answered with Enter once it shows.
    std::string notice;
    const auto answer = answerWithEnter(notice);
    ASSERT_TRUE(clickOn(trackPage(), "tkgpx"));
    ASSERT_TRUE(pumpUntil([&] { return typed && shownFileChooser() == nullptr; }));
    ASSERT_TRUE(pumpUntil([&] { return fs::exists(saved); }));
    ASSERT_TRUE(pumpUntil([&] { return !notice.empty() && stage->shell->boxWindow() == nullptr; }));
    EXPECT_EQ(notice, "Export Complete! Saved to " + saved.string());
    // The dialog offered the track's start as the name.
    EXPECT_EQ(offered, trackFileName(trackPage().dayTracks()[1], "gpx"));
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
    const int objid = trackPage().dayTracks()[1].objid;
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
    EXPECT_EQ(session().database().scalar("select count(*) from TK;"), kLoggedTracks - 1);
    EXPECT_EQ(session().database().scalar(
                  ("select count(*) from TK where objid=" + std::to_string(objid) + ";").c_str()),
              0);
    EXPECT_EQ(storedPoints(objid), 0);
    EXPECT_EQ(trackPage().shownTrack(), -1);
    EXPECT_TRUE(mapLineHolds(0));
}

// The element with the keyboard's focus in the page's model has this id.
bool focusedIn(ui::HtmlWindow& page, const std::string& id) {
    const ui::Element* focus = page.focus();
    return focus != nullptr && focus->attribute("id") == id;
}

// The keyboard alone, from the tab bar: Tab goes through the bar's tabs and commands into the
// page, to the calendar, which shows its ring, and on to the track list; the arrows move the
// selected day and list its tracks; Delete asks before deleting the selected track; Enter and
// Space press the chart tabs.
TEST(TrackPage, TheKeyboardWalksThePageMovesTheDayAndAsksBeforeDeleting) {
    GtkWidget* window = stage->shell->window();
    ASSERT_TRUE(clickOn(host(), "tab2-s"));
    ASSERT_TRUE(pumpUntil([] { return focusedIn(host(), "tab2-s"); }));
    const std::pair<ui::HtmlWindow*, const char*> stops[] = {{&host(), "tab3"},
                                                             {&host(), "lfromdevtrack"},
                                                             {&host(), "lfrompctrack"},
                                                             {&host(), "s2pctrack"},
                                                             {&host(), "deltrack"},
                                                             {&trackPage(), "lastmon"},
                                                             {&trackPage(), "calendardate"},
                                                             {&trackPage(), "nextmon"},
                                                             {&trackPage(), "today"},
                                                             {&trackPage(), "5000"}};
    for (const auto& [page, id] : stops) {
        pressKey(window, GDK_KEY_Tab);
        ASSERT_TRUE(pumpUntil([page = page, id = id] { return focusedIn(*page, id); })) << id;
    }
    // The ring: the accent colour round the calendar, just outside its drawing.
    const ui::Element& calendar = *trackPage().document().selectFirst("widget[id='5000']");
    EXPECT_TRUE(screenUntil("focus-ring-calendar-" + run(), [&](GdkPixbuf* shot) {
        const ui::Rect r = calendar.location();
        auto [x, y] = pointIn(trackPage(), calendar, -1, -1);
        return near(pixel(shot, x, y + r.height() / 2), {247, 147, 30}) &&
               near(pixel(shot, x + r.width() / 2, y), {247, 147, 30});
    }));

    // The day after the first logged one has one track, a week after it none.
    const tracks::MonthCalendar& days = trackPage().calendar();
    const YearMonth logged = loggedMonth();
    const auto selected = [&](int day, int rows) {
        return pumpUntil([&days, logged, day, rows] {
            return days.selectedDate() == tracks::CalendarDate{logged.year, logged.month, day} &&
                   trackList().rowCount() == rows;
        });
    };
    ASSERT_TRUE(selected(kFirstLoggedDay, 1));
    pressKey(window, GDK_KEY_Right);
    EXPECT_TRUE(selected(kFirstLoggedDay + 1, 1));
    pressKey(window, GDK_KEY_Down);
    EXPECT_TRUE(selected(kFirstLoggedDay + 8, 0));
    pressKey(window, GDK_KEY_Up);
    pressKey(window, GDK_KEY_Left);
    ASSERT_TRUE(selected(kFirstLoggedDay, 1));

    // In the list the arrow selects the row, and Delete asks; Esc answers No.
    pressKey(window, GDK_KEY_Tab);
    ASSERT_TRUE(pumpUntil([] { return focusedIn(trackPage(), "6000"); }));
    pressKey(window, GDK_KEY_Down);
    ASSERT_TRUE(pumpUntil([] { return trackList().isSelected(0); }));
    std::string question;
    Ticker no([&question] {
        GtkShell& shell = *stage->shell;
        if (shell.boxWindow() == nullptr || !shell.renderer().isReady(*shell.boxView())) {
            return true;
        }
        question = shell.boxView()->document().selectFirst("#MsgText")->text();
        pressKey(shell.boxWindow(), GDK_KEY_Escape);
        return false;
    });
    pressKey(window, GDK_KEY_Delete);
    ASSERT_TRUE(
        pumpUntil([&] { return !question.empty() && stage->shell->boxWindow() == nullptr; }));
    EXPECT_EQ(question, "Are you sure delete logs data?");
    EXPECT_EQ(trackList().rowCount(), 1);
    EXPECT_EQ(session().database().scalar("select count(*) from TK;"), kLoggedTracks - 1);

    // Enter on a chart tab selects it, and the keyboard stays on the selected tab shown in its
    // place (once the page lays it out), from where Shift+Tab reaches the Altitude tab; Space
    // selects that one again.
    const auto selectedTab = [](const char* id) {
        return pumpUntil([id] {
            return !trackPage().byId(id)->location().isEmpty() && focusedIn(trackPage(), id);
        });
    };
    ASSERT_TRUE(clickOn(trackPage(), "tab1-s"));
    ASSERT_TRUE(selectedTab("tab1-s"));
    pressKey(window, GDK_KEY_Tab);
    ASSERT_TRUE(pumpUntil([] { return focusedIn(trackPage(), "tab2"); }));
    pressKey(window, GDK_KEY_Return);
    ASSERT_TRUE(selectedTab("tab2-s"));
    pressKey(window, GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK);
    ASSERT_TRUE(pumpUntil([] { return focusedIn(trackPage(), "tab1"); }));
    pressKey(window, GDK_KEY_space);
    EXPECT_TRUE(selectedTab("tab1-s"));
}

// The display of a shown track, in the run without a tile service only: the profile chart,
// the Detail list of its points, the playback's car and a photo on a point. These go on from
// the day the tests above left, whose one track is the 10:00 one of 720 points.

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
    const int objid = trackPage().dayTracks()[0].objid;
    auto photosStored = [objid] {
        return session().database().scalar(("select count(*) from TKPT where tkid=" +
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
