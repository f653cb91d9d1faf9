// The track page when Vandrel.db is damaged while the window is open, in the run without a
// tile service, last: the reads of a click say so in a message box and the program goes on;
// the file is put back afterwards.

#include <fstream>
#include <iterator>
#include <string>

#include "gtk_shell/track_page_stage.h"

namespace vandrel::gtk {
namespace {

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Overwrites the file in place: the connection the program holds sees the change.
void writeBytes(const fs::path& file, const std::string& bytes) {
    std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Waits for the box the action opens and answers it with Enter once it shows, saving the
// screen with the box on it; gives the box's text.
std::string boxAfter(const std::string& shot, const std::function<void()>& action) {
    std::string said;
    const Ticker answer([&said, &shot] {
        GtkShell& shell = *stage->shell;
        if (shell.boxWindow() == nullptr || !shell.renderer().isReady(*shell.boxView())) {
            return true;
        }
        said = shell.boxView()->document().selectFirst("#MsgText")->text();
        if (GdkPixbuf* screen = screenshot(shot)) {
            g_object_unref(screen);
        }
        pressKey(shell.boxWindow(), GDK_KEY_Return);
        return false;
    });
    action();
    EXPECT_TRUE(pumpUntil([&] { return !said.empty(); }));
    EXPECT_TRUE(pumpUntil([] { return stage->shell->boxWindow() == nullptr; }));
    return said;
}

// The calendar lays its days out when it is drawn.
void clickDay(int day) {
    ASSERT_TRUE(pumpUntil([day] { return !dayCell(day).isEmpty(); }));
    const ui::Rect cell = dayCell(day);
    clickAt(inCalendar((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
}

TEST(DamagedDatabase, AClickOnADayOrATrackSaysSoAndTheProgramGoesOn) {
    ASSERT_TRUE(pumpUntil(pagesReady));
    if (host().currentPage() != 2) {
        ASSERT_TRUE(clickOn(host(), "tab2"));
        ASSERT_TRUE(pumpUntil([] { return host().currentPage() == 2; }));
    }
    const YearMonth logged = loggedMonth();
    trackPage().showMonth(logged.year, logged.month);
    // A day of one track (the suites before may have deleted others).
    const int day = kFirstLoggedDay + 2;
    clickDay(day);
    ASSERT_TRUE(pumpUntil([] { return trackList().rowCount() == 1; }));
    ASSERT_TRUE(pumpUntil([] { return trackPage().mapsLoaded(); }));

    const fs::path file = session().folder().file("Vandrel.db");
    const std::string original = readBytes(file);
    ASSERT_GT(original.size(), 100u);
    writeBytes(file, std::string(100, 'x'));

    // The track's points are in memory; its statistics are not.
    const std::string onTrack =
        boxAfter("damaged-database-track", [] { doubleClickAt(rowCentre(0)); });
    EXPECT_NE(onTrack.find("The stored tracks could not be read"), std::string::npos) << onTrack;
    EXPECT_TRUE(mapLineHolds(static_cast<int>(trackPage().dayTracks()[0].points.size())));
    const std::string onDay = boxAfter("damaged-database-day", [day] { clickDay(day + 1); });
    EXPECT_NE(onDay.find("Vandrel.db, which may be damaged or gone"), std::string::npos) << onDay;
    EXPECT_EQ(trackList().rowCount(), 0);

    // Still running: with the file back the day lists again.
    writeBytes(file, original);
    clickDay(day);
    EXPECT_TRUE(pumpUntil([] { return trackList().rowCount() == 1; }));
}

}  // namespace
}  // namespace vandrel::gtk
