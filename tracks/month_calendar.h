#pragma once
// The month calendar of the track page: six weeks from Sunday around the shown month, the days
// on which a stored track starts marked, one day selected. The model knows nothing of windows;
// the page feeds it the control's size and clicks and has it paint through a Canvas.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "ui/canvas.h"
#include "ui/geometry.h"

namespace vandrel::tracks {

struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
    bool operator==(const CalendarDate&) const = default;
};

struct CalendarCell {
    CalendarDate date;
    bool hasTrack = false;
    ui::Rect rect;
};

class MonthCalendar {
  public:
    static constexpr int kCells = 42;
    static constexpr int kHeaderHeight = 20;

    // The days the stored tracks cover: a track running over midnight marks each of its days.
    void setTrackDates(std::vector<CalendarDate> dates);

    int year() const { return year_; }
    int month() const { return month_; }
    // Shows the month with no cell selected.
    void showMonth(int year, int month);
    void lastMonth();
    void nextMonth();
    // Shows the date's month and selects the date's cell.
    void showDate(const CalendarDate& date);
    // Shows today's month and selects today's cell.
    void goToday(const CalendarDate& today) { showDate(today); }

    // Recomputes the cells from the shown month and the track dates.
    void rebuild();
    // The control's client rectangle; cell rectangles follow it.
    void layout(const ui::Rect& client);

    // The cell under the point, or -1.
    int cellAt(ui::Point point) const;
    // Selects the cell under the point; false when the point hits no cell.
    bool click(ui::Point point);
    // The keyboard's move of the selection: Left and Right a day, Up and Down a week, Page Up
    // and Page Down a month (the same day, or the month's last), Home and End to the shown
    // month's first and last day. A day of another month shows that month. With no day
    // selected, End selects the shown month's last day and the others its 1st. False for any
    // other key.
    bool moveSelection(int keyCode);
    int selectedCell() const { return selected_; }
    std::optional<CalendarDate> selectedDate() const;

    // The first day of the grid at 12:00, as an OLE date.
    double firstShownDate() const { return firstShown_; }
    const std::array<CalendarCell, kCells>& cells() const { return cells_; }
    // "%.4d-%.2d" of the shown month.
    std::string label() const;

    void paint(ui::Canvas& canvas, const CalendarDate& today) const;

  private:
    void placeCells();

    int year_ = 2000;
    int month_ = 1;
    double firstShown_ = 0;
    std::vector<CalendarDate> trackDates_;
    std::array<CalendarCell, kCells> cells_{};
    ui::Rect client_;
    int selected_ = -1;
};

// The local date of today.
CalendarDate localToday();
// The calendar date of an OLE date.
CalendarDate dateOf(double oleDate);
// 00:00 of the date as an OLE date.
double oleDateOf(const CalendarDate& date);

}  // namespace vandrel::tracks
