// The track page as a new user meets it with a full logger and a small window, in the run
// without a tile service, after the TrackDisplay suite: the Detail view of a track that fills
// the logger scrolled to its last point with the chart still below it, and the window's
// smallest size with every control of the page inside it.

#include <cstdio>
#include <string>

#include "gtk_shell/track_page_stage.h"
#include "platform/gtk/shell/file_drop.h"
#include "store/track_summary.h"

namespace vandrel::gtk {
namespace {

// A track of the logger's full length on a day of the logged month of its own, 5 s a point.
int storeFullTrack(int day) {
    const YearMonth month = loggedMonth();
    const double start =
        tracks::oleDateOf(tracks::CalendarDate{month.year, month.month, day}) + 8 / 24.0;
    TrackHeader track;
    const int points = sim::pointsToFillLog(1)[0];
    for (int i = 0; i < points; ++i) {
        TrackPoint p;
        p.lat = 47.0 + i * 1e-5;
        p.lng = 8.0 + (i % 200) * 1e-5;
        p.sdate = start + i * 5 / 86400.0;
        p.alt = static_cast<float>(400 + i % 300);
        p.bar = 1000;
        p.tmp = 12;
        track.points.push_back(p);
    }
    computeSummary(track);
    TrackDatabase& db = session().database();
    db.insertTrack(track);
    for (TrackPoint& p : track.points) {
        p.tkid = track.objid;
    }
    db.insertPoints(track.points);
    return points;
}

TEST(TrackView, TheDetailViewOfAFullLogScrollsToItsLastPointWithTheChartStillBelow) {
    const int day = 25;
    const int points = storeFullTrack(day);
    trackPage().RefreshTrackPage();
    const ui::Rect cell = dayCell(day);
    ASSERT_FALSE(cell.isEmpty());
    clickAt(inCalendar((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
    ASSERT_TRUE(pumpUntil([] { return trackList().rowCount() == 1; }));
    doubleClickAt(rowCentre(0));
    ASSERT_TRUE(mapLineHolds(points));
    ASSERT_TRUE(clickOn(trackPage(), "funcpage2"));
    ui::ListView& list = pointList();
    const ui::Element& element = *list.element();
    ASSERT_TRUE(pumpUntil([&] { return !element.location().isEmpty(); }));
    // The list keeps the height the page gives it, so the chart stays in the window below it.
    const ui::Element& chart = *chartControl().element();
    const int pageHeight = trackPage().document().root().location().height();
    EXPECT_LE(element.location().bottom, chart.location().top);
    EXPECT_LE(chart.location().bottom, pageHeight);
    EXPECT_LT(list.lastPaintedRows(), 100);

    // The wheel moves the rows; End (the list focused by a click on a row) reaches the last.
    const auto over = pointIn(trackPage(), element, 200, list.headerHeight() + 30);
    testing::sendWheelDown(viewOf(stage->shell->window()), over);
    EXPECT_TRUE(pumpUntil([&] { return list.scrollTop() > 0; }));
    clickAt(over);
    // The ink of the index column over the list's lowest three rows: numbers of two digits
    // now, of five at the end.
    const int band = 3 * list.rowHeight();
    const auto indexInk = [&](GdkPixbuf* shot) {
        const auto [x, y] = pointIn(trackPage(), element, 0, element.location().height() - band);
        int dark = 0;
        for (int dy = 0; dy < band; ++dy) {
            for (int dx = 0; dx < 60; ++dx) {
                const Rgb c = pixel(shot, x + dx, y + dy);
                dark += c.r + c.g + c.b < 300 ? 1 : 0;
            }
        }
        return dark;
    };
    int twoDigits = 0;
    ASSERT_TRUE(screenUntil("detail-full-log-top", [&](GdkPixbuf* shot) {
        twoDigits = indexInk(shot);
        return twoDigits > 0;
    }));
    pressKey(stage->shell->window(), GDK_KEY_End);
    ASSERT_TRUE(pumpUntil([&] { return list.visibleRows().second == points; }));
    EXPECT_EQ(list.focusedRow(), points - 1);
    // The last row's five digits at the bottom of the list, and the chart's blue line below.
    EXPECT_TRUE(screenUntil("detail-full-log-last-row", [&](GdkPixbuf* shot) {
        return indexInk(shot) * 10 > twoDigits * 18 &&
               pixelsNear(shot, chart, {0x30, 0x42, 0xF1}) > 50;
    }));
    ASSERT_TRUE(clickOn(trackPage(), "funcpage1"));
}

TEST(TrackView, TheWindowKeepsItsSmallestSizeWithEveryControlOfThePageInside) {
    GtkWindow* window = GTK_WINDOW(stage->shell->window());
    int width = 0;
    int height = 0;
    gtk_window_get_size(window, &width, &height);
    gtk_window_resize(window, 760, 520);
    int w = 0;
    int h = 0;
    ASSERT_TRUE(pumpUntil([&] {
        gtk_window_get_size(window, &w, &h);
        return w < width || h < height;
    }));
    pump(500);
    gtk_window_get_size(window, &w, &h);
    EXPECT_EQ(w, app::kMinimumFrameWidth);
    EXPECT_EQ(h, app::kMinimumFrameHeight);
    // Once the pages are laid out anew, the page's last button and the chart's axis labels
    // are inside the window.
    ASSERT_TRUE(pumpUntil(
        [&] { return frame().document().selectFirst("#framepage")->location().right <= w; }));
    const ui::Element& button = *host().document().selectFirst("#deltrack");
    const ui::Element& chart = *chartControl().element();
    EXPECT_TRUE(pumpUntil([&] {
        return pointIn(host(), button, button.location().width(), 0).first <= w &&
               pointIn(trackPage(), chart, 0, chart.location().height()).second <= h &&
               chart.location().height() >= 180;
    }));
    pump(1000);
    screenshot("smallest-window");
    gtk_window_resize(window, width, height);
    ASSERT_TRUE(pumpUntil([&] {
        gtk_window_get_size(window, &w, &h);
        return w == width && h == height;
    }));
}

// The last of the suite, as the import refreshes the page the tests above go on from.
TEST(TrackView, AGpxFileDroppedOnTheWindowMarksItsDayInTheCalendar) {
    ASSERT_TRUE(pumpUntil(pagesReady));
    // A day of the month shown that has no track yet.
    const tracks::MonthCalendar& calendar = trackPage().calendar();
    int cell = -1;
    for (int i = 0; i < static_cast<int>(calendar.cells().size()) && cell < 0; ++i) {
        const tracks::CalendarCell& c = calendar.cells()[i];
        cell = c.date.month == calendar.month() && !c.hasTrack ? i : -1;
    }
    ASSERT_GE(cell, 0);
    const tracks::CalendarDate day = calendar.cells()[cell].date;
    char date[16];
    std::snprintf(date, sizeof date, "%.4d-%.2d-%.2d", day.year, day.month, day.day);
    std::string gpx = "<?xml version=\"1.0\"?><gpx version=\"1.1\"><trk><trkseg>";
    for (int i = 0; i < 3; ++i) {
        gpx += "<trkpt lat=\"47.0" + std::to_string(i) + "\" lon=\"8.5\"><time>" + date +
               "T10:" + std::to_string(10 + i * 10) + ":00+00:00</time></trkpt>";
    }
    gpx += "</trkseg></trk></gpx>";
    const std::filesystem::path file = stage->dir / "dropped.gpx";
    testing::writeFile(file, gpx);

    std::string notice;
    const auto answer = answerWithEnter(notice);
    // What the window's drop handler hands on for a text/uri-list naming the file.
    const std::string uri = "file://" + file.string() + "\r\n";
    stage->shell->dropFiles(droppedPaths(uri.c_str()));
    ASSERT_TRUE(pumpUntil([&] { return !notice.empty() && stage->shell->boxWindow() == nullptr; }));
    EXPECT_EQ(notice, "1 track stored");
    EXPECT_TRUE(pumpUntil([&] { return calendar.cells()[cell].hasTrack; }));
}

}  // namespace
}  // namespace vandrel::gtk
