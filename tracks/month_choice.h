#pragma once
// The month and year choice that a click on the calendar's month title opens in the
// calendar's place: a year with its two steps and the twelve months, so that a month years
// away is three clicks off, not one click a month. The keyboard works it too: the month
// focused moves with the arrows (Left and Right a month, Up and Down a row, into the year
// before or after at the ends), Page Up and Page Down step the year, Enter or Space takes the
// focused month, Esc closes it.

#include <functional>

#include "ui/events.h"
#include "ui/page_window.h"

namespace vandrel::tracks {

class MonthChoice {
  public:
    static constexpr int kColumns = 3;

    // `chosen` is told the year and month taken.
    MonthChoice(ui::PageWindow& page, std::function<void(int year, int month)> chosen);

    // Opens on the month shown, focused; closes when open.
    void toggle(int year, int month);
    void close();
    bool isOpen() const { return open_; }
    void stepYear(int by);
    void take(int month);
    // A key going down while the choice is open; true when it was the choice's.
    bool onKey(const ui::KeyEvent& event);

    int year() const { return year_; }

  private:
    void show();
    void focusMonth(int month);

    ui::PageWindow& page_;
    std::function<void(int, int)> chosen_;
    bool open_ = false;
    int year_ = 2000;
    int month_ = 1;    // the month of the calendar when opened, marked
    int focused_ = 1;  // the month the keyboard is on
    int shownYear_ = 2000;
};

}  // namespace vandrel::tracks
