// The statistics a user sees on the track page, in the run without a tile service, after the
// TrackView suite (whose full-log track on the 25th of the logged month is stored with its
// statistics): the panel beside the chart, the Speed profile, the month's totals under the
// calendar, the list row's tooltip and the year's bars with their numbers on hover.

#include <string>

#include "gtk_shell/track_page_stage.h"

namespace vandrel::gtk {
namespace {

inline ui::StaticControl& totalsControl() {
    ui::HtmlWindow& page = trackPage();
    return *dynamic_cast<ui::StaticControl*>(
        page.control(*page.document().selectFirst("widget[id='5002']")));
}

std::string textOf(const char* id) {
    return trackPage().byId(id)->text();
}

TEST(TrackStatistics, TheShownTrackHasItsPanelAndSpeedProfile) {
    const ui::Rect cell = dayCell(25);
    ASSERT_FALSE(cell.isEmpty());
    clickAt(inCalendar((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
    ASSERT_TRUE(pumpUntil([] { return trackList().rowCount() == 1; }));
    doubleClickAt(rowCentre(0));
    ASSERT_TRUE(pumpUntil([] { return !textOf("st-moving").empty(); }));
    // The pressure stands still all along; the recorded altitude saws up and down.
    EXPECT_EQ(textOf("st-climb"), "0 m (baro)");
    EXPECT_NE(textOf("st-altclimb"), "0 m / 0 m");
    EXPECT_NE(textOf("st-max").find(" km/h"), std::string::npos) << textOf("st-max");
    const ui::Element& panel = *trackPage().byId("trackstats");
    EXPECT_TRUE(screenUntil("statistics-panel", [&](GdkPixbuf* shot) {
        return !panel.location().isEmpty() && pixelsNear(shot, panel, {255, 255, 255}) > 200;
    }));

    ASSERT_TRUE(clickOn(trackPage(), "tab4"));
    ASSERT_TRUE(pumpUntil([] { return trackPage().chart().yTitle() == "Speed(km/h)"; }));
    const ui::Element& chart = *chartControl().element();
    EXPECT_TRUE(screenUntil("speed-profile", [&](GdkPixbuf* shot) {
        return pixelsNear(shot, chart, {0x30, 0x42, 0xF1}) > 50;
    }));
    const ui::Rect plot =
        tracks::ProfileChart::plotArea(chart.location().width(), chart.location().height());
    motionTo(inChart(plot.left + plot.width() / 2, plot.top + plot.height() / 2), false);
    const ui::Element& tip = *trackPage().document().selectFirst("#charttip");
    EXPECT_TRUE(pumpUntil([&] { return tip.text().find(" Speed:") != std::string::npos; }))
        << tip.text();
    ASSERT_TRUE(clickOn(trackPage(), "tab1"));

    // The month under the calendar counts the logged tracks of this month and this one.
    EXPECT_EQ(textOf("monthtotals").rfind("Month: ", 0), 0u) << textOf("monthtotals");
    motionTo(rowCentre(0), false);
    EXPECT_TRUE(pumpUntil([&] { return tip.text().rfind("Moving time:", 0) == 0; })) << tip.text();
}

TEST(TrackStatistics, TheYearViewDrawsBarsThatTellTheirNumbers) {
    ASSERT_TRUE(clickOn(trackPage(), "funcpage3"));
    const tracks::StatisticsView& view = trackPage().statisticsView();
    // Every stored track lies in the logged month. The view shows its months at once and their
    // totals once its statistics are filled, which a quick machine may not have done yet.
    const YearMonth month = loggedMonth();
    const auto loggedTotals = [&] {
        const std::vector<PeriodTotals>& periods = view.chart().periods();
        return periods.size() == 12 ? periods[static_cast<std::size_t>(month.month - 1)]
                                    : PeriodTotals{};
    };
    const int stored = session().database().scalar("select count(*) from TK;");
    EXPECT_TRUE(pumpUntil([&] { return loggedTotals().tracks == stored; }))
        << loggedTotals().tracks << " of " << stored;
    // A copy: the view's totals are made anew when the stored tracks change.
    const PeriodTotals logged = loggedTotals();
    const ui::Element& bars = *totalsControl().element();
    ASSERT_TRUE(pumpUntil([&] { return !bars.location().isEmpty(); }));
    EXPECT_TRUE(screenUntil("year-view", [&](GdkPixbuf* shot) {
        return pixelsNear(shot, bars, {0x30, 0x42, 0xF1}) > 300;
    }));

    // Over the logged month's column, the tip tells its totals.
    const int width = bars.location().width();
    int x = 0;
    while (x < width && view.chart().periodAt(x, width) != month.month - 1) {
        ++x;
    }
    motionTo(pointIn(trackPage(), bars, x + 2, bars.location().height() / 2), false);
    const ui::Element& tip = *trackPage().document().selectFirst("#charttip");
    EXPECT_TRUE(pumpUntil([&] {
        return tip.text().rfind(logged.label, 0) == 0 &&
               tip.text().find("Tracks: " + std::to_string(logged.tracks)) != std::string::npos;
    })) << tip.text();
    EXPECT_TRUE(screenUntil("year-view-hover", [&](GdkPixbuf* shot) {
        return pixelsNear(shot, bars, {247, 147, 30}) > 30;
    }));

    ASSERT_TRUE(clickOn(trackPage(), "statweek"));
    EXPECT_TRUE(pumpUntil([&] { return view.chart().periods().size() >= 52; }));
    ASSERT_TRUE(clickOn(trackPage(), "statmonth"));
    ASSERT_TRUE(clickOn(trackPage(), "funcpage1"));
}

}  // namespace
}  // namespace vandrel::gtk
