// The month calendar: the grid around a month, the marked days, the month steps and what a
// cell looks like when painted.
#include <gtest/gtest.h>

#include "core/ole_date.h"
#include "tracks/month_calendar.h"
#include "ui/events.h"

namespace vandrel::tracks {
namespace {

std::string cellFill(const CalendarCell& cell, const char* colour) {
    const ui::Rect& r = cell.rect;
    return "<rect x=\"" + std::to_string(r.left + 1) + "\" y=\"" + std::to_string(r.top + 1) +
           "\" width=\"" + std::to_string(r.width() - 2) + "\" height=\"" +
           std::to_string(r.height() - 2) + "\" fill=\"" + colour + "\"/>";
}

std::string painted(const MonthCalendar& calendar, CalendarDate today = {1990, 1, 1}) {
    ui::Canvas canvas(260, 201);
    calendar.paint(canvas, today);
    return canvas.svg();
}

TEST(MonthCalendar, GridStartsTheSundayBeforeTheFirstAndAWeekEarlierWhenTheFirstIsASunday) {
    MonthCalendar calendar;
    calendar.showMonth(2011, 5);  // 1 May 2011 was a Sunday
    EXPECT_EQ(calendar.cells()[0].date, (CalendarDate{2011, 4, 24}));
    EXPECT_EQ(calendar.cells()[41].date, (CalendarDate{2011, 6, 4}));
    SystemTime t;
    ASSERT_TRUE(VariantTimeToSystemTime(calendar.firstShownDate(), t));
    EXPECT_EQ(t.hour, 12);
    calendar.showMonth(2011, 3);  // a Tuesday
    EXPECT_EQ(calendar.cells()[0].date, (CalendarDate{2011, 2, 27}));
}

TEST(MonthCalendar, TrackDaysAreOrangeInTheirMonthAndAsLeadingDaysOfTheNext) {
    MonthCalendar calendar;
    calendar.setTrackDates({{2011, 3, 31}});
    calendar.layout({0, 0, 260, 201});
    calendar.showMonth(2011, 3);
    const CalendarCell& march = calendar.cells()[32];  // from 27 February
    EXPECT_EQ(march.date, (CalendarDate{2011, 3, 31}));
    EXPECT_TRUE(march.hasTrack);
    EXPECT_NE(painted(calendar).find(cellFill(march, "#ff8040")), std::string::npos);

    calendar.showMonth(2011, 4);  // 1 April 2011 was a Friday: 27 to 31 March lead
    const CalendarCell& april = calendar.cells()[4];
    EXPECT_EQ(april.date, (CalendarDate{2011, 3, 31}));
    const std::string svg = painted(calendar);
    EXPECT_NE(svg.find(cellFill(april, "#ff8040")), std::string::npos);
    EXPECT_NE(svg.find(cellFill(calendar.cells()[3], "#e6e6e6")), std::string::npos);
    EXPECT_EQ(svg.find(cellFill(calendar.cells()[5], "#e6e6e6")), std::string::npos);
}

TEST(MonthCalendar, CellsFollowTheClientSizeAndAClickSelectsTheCellUnderThePoint) {
    MonthCalendar calendar;
    calendar.layout({0, 0, 260, 201});
    calendar.showMonth(2024, 2);
    // 260 / 7 = 37 wide, (201 - 20) / 6 = 30 high.
    EXPECT_EQ(calendar.cells()[8].rect, (ui::Rect{37, 50, 74, 80}));
    EXPECT_FALSE(calendar.click({10, 5}));     // the weekday header
    EXPECT_FALSE(calendar.click({259, 100}));  // right of the last column
    ASSERT_TRUE(calendar.click({40, 55}));
    EXPECT_EQ(calendar.selectedDate(), calendar.cells()[8].date);
    EXPECT_NE(painted(calendar).find("stroke=\"#ff0000\""), std::string::npos);
}

TEST(MonthCalendar, MonthStepsCrossTheYearAndClearTheSelection) {
    MonthCalendar calendar;
    calendar.goToday({2011, 1, 15});
    EXPECT_EQ(calendar.selectedDate(), (CalendarDate{2011, 1, 15}));
    calendar.lastMonth();
    EXPECT_EQ(calendar.label(), "2010-12");
    EXPECT_FALSE(calendar.selectedDate());
    calendar.nextMonth();
    calendar.nextMonth();
    EXPECT_EQ(calendar.label(), "2011-02");
    calendar.showMonth(2010, 12);
    calendar.nextMonth();
    EXPECT_EQ(calendar.label(), "2011-01");
}

TEST(MonthCalendar, KeysMoveTheSelectedDayAndShowTheMonthItLandsIn) {
    MonthCalendar calendar;
    calendar.showMonth(2011, 3);
    EXPECT_FALSE(calendar.moveSelection(ui::VK_RETURN));
    ASSERT_TRUE(calendar.moveSelection(ui::VK_LEFT));  // nothing selected: the 1st
    calendar.moveSelection(ui::VK_LEFT);               // a leading day: its month shows
    EXPECT_EQ(calendar.selectedDate(), (CalendarDate{2011, 2, 28}));
    EXPECT_EQ(calendar.label(), "2011-02");
    calendar.moveSelection(ui::VK_DOWN);
    EXPECT_EQ(calendar.selectedDate(), (CalendarDate{2011, 3, 7}));
    // A month on from the 31st is the last day of the next month, across the year too.
    calendar.showMonth(2011, 12);
    calendar.moveSelection(ui::VK_END);
    calendar.moveSelection(ui::VK_PRIOR);
    EXPECT_EQ(calendar.selectedDate(), (CalendarDate{2011, 11, 30}));
    calendar.moveSelection(ui::VK_NEXT);
    calendar.moveSelection(ui::VK_NEXT);
    EXPECT_EQ(calendar.selectedDate(), (CalendarDate{2012, 1, 30}));
    EXPECT_EQ(calendar.cells()[static_cast<std::size_t>(calendar.selectedCell())].date,
              (CalendarDate{2012, 1, 30}));
}

}  // namespace
}  // namespace vandrel::tracks
