// The track page's commands as a person meets them, in the run without a tile service, after
// the other track suites: Save to PC during a replay and the replay after it, files of other
// months dropped and loaded while a track is shown, and the month and year choice.

#include <cstdio>
#include <string>

#include "gtk_shell/track_page_stage.h"
#include "platform/gtk/shell/file_drop.h"

namespace vandrel::gtk {
namespace {

// The notice's text and whether it shows as a success, answered with Enter once it shows.
struct Notice {
    std::string text;
    std::string look;
};
std::unique_ptr<Ticker> answerNotice(Notice& notice) {
    return std::make_unique<Ticker>([&notice] {
        GtkShell& shell = *stage->shell;
        if (shell.boxWindow() == nullptr || !shell.renderer().isReady(*shell.boxView())) {
            return true;
        }
        const ui::Element& text = *shell.boxView()->document().selectFirst("#MsgText");
        notice.text = text.text();
        notice.look = text.attribute("class");
        pressKey(shell.boxWindow(), GDK_KEY_Return);
        return false;
    });
}

// Types the path into the file chooser once it shows and presses Enter; `multiple` says
// whether it took several files.
std::unique_ptr<Ticker> chooseFile(const fs::path& path, bool& typed, bool& multiple) {
    return std::make_unique<Ticker>([&path, &typed, &multiple] {
        GtkWidget* dialog = shownFileChooser();
        if (typed) {
            if (dialog != nullptr) {
                pressKey(dialog, GDK_KEY_Return);  // the entry's completion may take the first
            }
            return dialog != nullptr;
        }
        GtkWidget* name = dialog != nullptr ? gtk_window_get_focus(GTK_WINDOW(dialog)) : nullptr;
        if (dialog != nullptr && (name == nullptr || !GTK_IS_ENTRY(name))) {
            pressKey(dialog, GDK_KEY_l, GDK_CONTROL_MASK);  // the location entry
            return true;
        }
        if (name == nullptr) {
            return true;
        }
        multiple = gtk_file_chooser_get_select_multiple(GTK_FILE_CHOOSER(dialog));
        gtk_entry_set_text(GTK_ENTRY(name), path.c_str());
        pressKey(dialog, GDK_KEY_Return);
        typed = true;
        return true;
    });
}

// A GPX file of one track on the 5th of the month, at 10:00 UTC.
fs::path gpxOfMonth(const std::string& name, int year, int month) {
    char date[16];
    std::snprintf(date, sizeof date, "%.4d-%.2d-05", year, month);
    std::string gpx = "<?xml version=\"1.0\"?><gpx version=\"1.1\"><trk><trkseg>";
    for (int i = 0; i < 3; ++i) {
        gpx += "<trkpt lat=\"47.0" + std::to_string(i) + "\" lon=\"8.5\"><time>" + date +
               "T10:" + std::to_string(10 + i * 10) + ":00+00:00</time></trkpt>";
    }
    const fs::path file = stage->dir / name;
    testing::writeFile(file, gpx + "</trkseg></trk></gpx>");
    return file;
}

std::string monthLabel(int year, int month) {
    char label[16];
    std::snprintf(label, sizeof label, "%.4d-%.2d", year, month);
    return label;
}

std::string carAt() {
    std::string said;
    mapAnswers(
        trackPage(), "carPosition", {}, [](const std::string& s) { return latLng(s).has_value(); },
        &said);
    return said;
}

TEST(TrackCommands, SaveToPcDuringAReplaySaysWhatItSavedAndTheReplayPlaysAgain) {
    ASSERT_TRUE(pumpUntil(pagesReady));
    const YearMonth logged = loggedMonth();
    trackPage().showMonth(logged.year, logged.month);
    const ui::Rect cell = dayCell(kFirstLoggedDay);
    clickAt(inCalendar((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
    ASSERT_TRUE(pumpUntil([] { return trackList().rowCount() == 1; }));
    doubleClickAt(rowCentre(0));
    ASSERT_TRUE(mapLineHolds(720));
    ASSERT_TRUE(clickOn(trackPage(), "onplay"));
    const std::string first = carAt();
    ASSERT_TRUE(mapAnswers(trackPage(), "carPosition", {},
                           [&](const std::string& s) { return latLng(s) && s != first; }));

    const fs::path saved = stage->dir / "replayed.prg";
    bool typed = false;
    bool multiple = true;
    const auto chooser = chooseFile(saved, typed, multiple);
    Notice notice;
    const auto answer = answerNotice(notice);
    ASSERT_TRUE(clickOn(host(), "s2pctrack"));
    ASSERT_TRUE(
        pumpUntil([&] { return !notice.text.empty() && stage->shell->boxWindow() == nullptr; }));
    // The photos the tests before attached go with the track.
    EXPECT_EQ(notice.text.rfind("Saved 1 track and 720 points to " + saved.string() + ", ", 0), 0u)
        << notice.text;
    EXPECT_EQ(notice.look, "msg success");
    EXPECT_FALSE(multiple);

    // The replay stopped at the save; play moves the car again.
    const std::string stopped = carAt();
    ASSERT_TRUE(clickOn(trackPage(), "onplay"));
    EXPECT_TRUE(mapAnswers(trackPage(), "carPosition", {},
                           [&](const std::string& s) { return latLng(s) && s != stopped; }));
    ASSERT_TRUE(clickOn(trackPage(), "onstop"));
}

// With the year's statistics open, a file of another month dropped on the window: that month
// comes into view, its totals count the track, and the shown track stays on the map; then one
// loaded from PC, whose chooser takes several files.
TEST(TrackCommands, FilesOfOtherMonthsComeIntoViewAndTheShownTrackStays) {
    const YearMonth logged = loggedMonth();
    const int other = logged.month == 1 ? 2 : 1;
    ASSERT_TRUE(clickOn(trackPage(), "funcpage3"));
    const tracks::StatisticsView& view = trackPage().statisticsView();
    ASSERT_TRUE(pumpUntil([&] { return view.chart().periods().size() == 12; }));
    ASSERT_EQ(view.year(), logged.year);
    ASSERT_EQ(view.chart().periods()[static_cast<std::size_t>(other - 1)].tracks, 0);

    Notice notice;
    auto answer = answerNotice(notice);
    const std::string uri =
        "file://" + gpxOfMonth("other.gpx", logged.year, other).string() + "\r\n";
    stage->shell->dropFiles(droppedPaths(uri.c_str()));
    ASSERT_TRUE(
        pumpUntil([&] { return !notice.text.empty() && stage->shell->boxWindow() == nullptr; }));
    EXPECT_EQ(notice.text, "1 track stored");
    const ui::Element& label = *trackPage().byId("calendardate");
    EXPECT_TRUE(pumpUntil([&] { return label.text() == monthLabel(logged.year, other); }));
    // The open Statistics view counts it, once its statistics are filled again.
    EXPECT_TRUE(pumpUntil([&] {
        return view.chart().periods().size() == 12 &&
               view.chart().periods()[static_cast<std::size_t>(other - 1)].tracks == 1;
    }));
    EXPECT_TRUE(pumpUntil([] { return trackList().rowCount() == 1; }));
    screenshot("dropped-other-month");
    ASSERT_TRUE(clickOn(trackPage(), "funcpage1"));
    EXPECT_TRUE(mapLineHolds(720));

    const fs::path next = gpxOfMonth("next-year.gpx", logged.year + 1, 3);
    bool typed = false;
    bool multiple = false;
    const auto chooser = chooseFile(next, typed, multiple);
    notice = {};
    answer = answerNotice(notice);
    ASSERT_TRUE(clickOn(host(), "lfrompctrack"));
    ASSERT_TRUE(
        pumpUntil([&] { return !notice.text.empty() && stage->shell->boxWindow() == nullptr; }));
    EXPECT_TRUE(multiple);
    EXPECT_EQ(notice.text, "1 track stored");
    EXPECT_TRUE(pumpUntil([&] { return label.text() == monthLabel(logged.year + 1, 3); }));
    EXPECT_TRUE(mapLineHolds(720));
}

// A click on the month title opens the choice; a year back and a month by mouse.
TEST(TrackCommands, TheMonthTitleOpensAMonthAndYearChoice) {
    ASSERT_TRUE(pumpUntil(pagesReady));
    if (host().currentPage() != 2) {
        ASSERT_TRUE(clickOn(host(), "tab2"));
        ASSERT_TRUE(pumpUntil([] { return host().currentPage() == 2; }));
    }
    const YearMonth logged = loggedMonth();
    trackPage().showMonth(logged.year, 5);
    ASSERT_TRUE(clickOn(trackPage(), "calendardate"));
    const ui::Element& month = *trackPage().byId("mc5");
    ASSERT_TRUE(pumpUntil([&] { return !month.location().isEmpty(); }));
    // The month shown is marked in orange among the twelve.
    EXPECT_TRUE(screenUntil("month-choice", [&](GdkPixbuf* shot) {
        return pixelsNear(shot, month, {255, 128, 64}) > 500;
    }));
    ASSERT_TRUE(clickOn(trackPage(), "mcprev"));
    ASSERT_TRUE(clickOn(trackPage(), "mc8"));
    const ui::Element& label = *trackPage().byId("calendardate");
    EXPECT_TRUE(pumpUntil([&] { return label.text() == monthLabel(logged.year - 1, 8); }));
}

}  // namespace
}  // namespace vandrel::gtk
