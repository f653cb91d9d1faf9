#include "tracks/month_choice.h"

#include <algorithm>
#include <string>
#include <utility>

#include "ui/element.h"

namespace vandrel::tracks {
namespace {

constexpr int kFirstYear = 1900;
constexpr int kLastYear = 9998;

std::string monthId(int month) {
    return "mc" + std::to_string(month);
}

// The choice takes the calendar's place, and gives it back.
void showCalendar(const ui::PageWindow& page, bool calendar) {
    if (ui::Element* e = page.document().selectFirst("widget[id='5000']")) {
        e->setStyle("display", calendar ? "block" : "none");
    }
    page.setDisplay("monthchoice", calendar ? "none" : "block");
}

}  // namespace

MonthChoice::MonthChoice(ui::PageWindow& page, std::function<void(int, int)> chosen)
    : page_(page), chosen_(std::move(chosen)) {}

void MonthChoice::toggle(int year, int month) {
    // Enter may reach the title still focused in the page while the keyboard is on a month.
    const ui::Element* focus = page_.focus();
    const ui::Element* choice = page_.byId("monthchoice");
    if (open_ && focus != nullptr && choice != nullptr && focus->isInside(*choice)) {
        take(focused_);
        return;
    }
    if (open_) {
        close();
        return;
    }
    open_ = true;
    year_ = shownYear_ = year;
    month_ = focused_ = month;
    showCalendar(page_, false);
    focusMonth(month_);
}

void MonthChoice::close() {
    if (!open_) {
        return;
    }
    open_ = false;
    showCalendar(page_, true);
    if (ui::Element* title = page_.byId("calendardate")) {
        page_.setFocus(title);
    }
}

void MonthChoice::stepYear(int by) {
    year_ = std::clamp(year_ + by, kFirstYear, kLastYear);
    show();
}

void MonthChoice::take(int month) {
    if (!open_ || month < 1 || month > 12) {
        return;
    }
    const int year = year_;
    focused_ = month;
    close();
    chosen_(year, month);
}

// The year's label, the month the calendar shows marked in its own year, and the month the
// keyboard is on ringed.
void MonthChoice::show() {
    if (ui::Element* label = page_.byId("mcyear")) {
        label->setText(std::to_string(year_));
    }
    for (int m = 1; m <= 12; ++m) {
        if (ui::Element* cell = page_.byId(monthId(m))) {
            std::string look = year_ == shownYear_ && m == month_ ? "mcmonth shown" : "mcmonth";
            cell->setAttribute("class", m == focused_ ? look + " focused" : look);
        }
    }
}

void MonthChoice::focusMonth(int month) {
    focused_ = month;
    show();
    if (ui::Element* cell = page_.byId(monthId(month))) {
        page_.setFocus(cell);
    }
}

bool MonthChoice::onKey(const ui::KeyEvent& event) {
    if (!open_ || event.type != ui::KeyEventType::Down || event.handled) {
        return false;
    }
    const ui::Element* focus = page_.focus();
    const ui::Element* choice = page_.byId("monthchoice");
    if (event.keyCode == ui::VK_ESCAPE) {
        close();
        return true;
    }
    if (focus == nullptr || choice == nullptr || !focus->isInside(*choice)) {
        return false;
    }
    int step = 0;
    switch (event.keyCode) {
        case ui::VK_LEFT:
            step = -1;
            break;
        case ui::VK_RIGHT:
            step = 1;
            break;
        case ui::VK_UP:
            step = -kColumns;
            break;
        case ui::VK_DOWN:
            step = kColumns;
            break;
        case ui::VK_PRIOR:
        case ui::VK_NEXT:
            stepYear(event.keyCode == ui::VK_NEXT ? 1 : -1);
            focusMonth(focused_);
            return true;
        default:
            return false;
    }
    // Past December or before January the year turns.
    const int index = year_ * 12 + (focused_ - 1) + step;
    if (index / 12 != year_) {
        stepYear(index / 12 - year_);
    }
    focusMonth(index % 12 + 1);
    return true;
}

}  // namespace vandrel::tracks
