#include "tracks/month_calendar.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <tuple>

#include "core/ole_date.h"
#include "ui/events.h"

namespace vandrel::tracks {
namespace {

constexpr ui::Color kGrid = ui::rgb(200, 213, 253);
constexpr ui::Color kToday = ui::rgb(250, 250, 250);
constexpr ui::Color kTrackDay = ui::rgb(255, 128, 64);
constexpr ui::Color kOtherMonth = ui::rgb(230, 230, 230);
constexpr ui::Color kRed = ui::rgb(255, 0, 0);
constexpr ui::Color kBlue = ui::rgb(0, 0, 255);
constexpr ui::Color kBlack = ui::rgb(0, 0, 0);
constexpr ui::Color kWhite = ui::rgb(255, 255, 255);

constexpr std::array<const char*, 7> kWeekdays = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};

// The 1st of the month after the given one, as days since 1970-01-01.
int64_t firstOfNextMonth(int year, int month) {
    return month == 12 ? daysFromCivil(year + 1, 1, 1) : daysFromCivil(year, month + 1, 1);
}

bool earlier(const CalendarDate& a, const CalendarDate& b) {
    return std::tie(a.year, a.month, a.day) < std::tie(b.year, b.month, b.day);
}

ui::Rect inset(const ui::Rect& r, int by) {
    return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

}  // namespace

void MonthCalendar::setTrackDates(std::vector<CalendarDate> dates) {
    // Sorted once, so that marking the 42 cells stays a lookup however many tracks there are.
    std::sort(dates.begin(), dates.end(), earlier);
    dates.erase(std::unique(dates.begin(), dates.end()), dates.end());
    trackDates_ = std::move(dates);
}

void MonthCalendar::showMonth(int year, int month) {
    year_ = year;
    month_ = month;
    selected_ = -1;
    rebuild();
}

void MonthCalendar::lastMonth() {
    month_ == 1 ? showMonth(year_ - 1, 12) : showMonth(year_, month_ - 1);
}

void MonthCalendar::nextMonth() {
    month_ == 12 ? showMonth(year_ + 1, 1) : showMonth(year_, month_ + 1);
}

void MonthCalendar::showDate(const CalendarDate& date) {
    showMonth(date.year, date.month);
    for (int i = 0; i < kCells; ++i) {
        if (cells_[i].date == date) {
            selected_ = i;
        }
    }
}

void MonthCalendar::rebuild() {
    // The 1st at 12:00 less its weekday; a month starting on a Sunday still gets a week before
    // it, so the first row always belongs to the month before.
    const int64_t first = daysFromCivil(year_, month_, 1);
    int weekday = static_cast<int>(((first % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    if (weekday == 0) {
        weekday = 7;
    }
    const int64_t start = first - weekday;
    firstShown_ = oleDateFromUnixSeconds(start * 86400) + 0.5;
    for (int i = 0; i < kCells; ++i) {
        CalendarCell& cell = cells_[i];
        civilFromDays(start + i, cell.date.year, cell.date.month, cell.date.day);
        cell.hasTrack =
            std::binary_search(trackDates_.begin(), trackDates_.end(), cell.date, earlier);
    }
    placeCells();
}

void MonthCalendar::layout(const ui::Rect& client) {
    client_ = client;
    placeCells();
}

void MonthCalendar::placeCells() {
    const int width = client_.width() / 7;
    const int height = (client_.height() - kHeaderHeight) / 6;
    for (int i = 0; i < kCells; ++i) {
        const int r = i / 7;
        const int c = i % 7;
        cells_[i].rect = {client_.left + c * width, client_.top + kHeaderHeight + r * height,
                          client_.left + (c + 1) * width,
                          client_.top + kHeaderHeight + (r + 1) * height};
    }
}

int MonthCalendar::cellAt(ui::Point point) const {
    for (int i = 0; i < kCells; ++i) {
        if (cells_[i].rect.contains(point)) {
            return i;
        }
    }
    return -1;
}

bool MonthCalendar::click(ui::Point point) {
    const int cell = cellAt(point);
    if (cell < 0) {
        return false;
    }
    selected_ = cell;
    return true;
}

bool MonthCalendar::moveSelection(int keyCode) {
    const int64_t firstDay = daysFromCivil(year_, month_, 1);
    const int64_t nextFirst = firstOfNextMonth(year_, month_);
    const std::optional<CalendarDate> from = selectedDate();
    const int64_t at = from ? daysFromCivil(from->year, from->month, from->day) : firstDay;
    int64_t to = at;
    switch (keyCode) {
        case ui::VK_LEFT:
            to = at - 1;
            break;
        case ui::VK_RIGHT:
            to = at + 1;
            break;
        case ui::VK_UP:
            to = at - 7;
            break;
        case ui::VK_DOWN:
            to = at + 7;
            break;
        case ui::VK_HOME:
            to = firstDay;
            break;
        case ui::VK_END:
            to = nextFirst - 1;
            break;
        case ui::VK_PRIOR:
        case ui::VK_NEXT: {
            if (!from) {
                break;
            }
            // The same day of the month before or after, or that month's last day.
            int year = from->year;
            int month = from->month + (keyCode == ui::VK_NEXT ? 1 : -1);
            if (month < 1 || month > 12) {
                year += month < 1 ? -1 : 1;
                month = month < 1 ? 12 : 1;
            }
            const int64_t first = daysFromCivil(year, month, 1);
            to = std::min(first + from->day - 1, firstOfNextMonth(year, month) - 1);
            break;
        }
        default:
            return false;
    }
    if (!from && keyCode != ui::VK_END) {
        to = firstDay;
    }
    CalendarDate date;
    civilFromDays(to, date.year, date.month, date.day);
    showDate(date);
    return true;
}

std::optional<CalendarDate> MonthCalendar::selectedDate() const {
    if (selected_ < 0) {
        return std::nullopt;
    }
    return cells_[selected_].date;
}

std::string MonthCalendar::label() const {
    char text[32];
    std::snprintf(text, sizeof text, "%.4d-%.2d", year_, month_);
    return text;
}

void MonthCalendar::paint(ui::Canvas& canvas, const CalendarDate& today) const {
    const ui::Rect& c = client_;
    canvas.fillRect(c, kWhite);
    const int width = c.width() / 7;
    const int height = (c.height() - kHeaderHeight) / 6;
    for (int d = 0; d < 7; ++d) {
        const ui::Rect header{c.left + d * width, c.top, c.left + (d + 1) * width,
                              c.top + kHeaderHeight};
        const ui::Color color = d == 0 ? kRed : d == 6 ? kBlue : kBlack;
        canvas.text(header, kWeekdays[d], color, ui::kAlignCenter | ui::kAlignMiddle);
    }
    for (int i = 0; i < 7; ++i) {
        const int y = c.top + kHeaderHeight + i * height;
        canvas.line({c.left, y}, {c.right, y}, kGrid);
        const int x = c.left + (i + 1) * width;
        canvas.line({x, c.top}, {x, c.bottom}, kGrid);
    }
    for (const CalendarCell& cell : cells_) {
        if (cell.date == today) {
            canvas.fillRect(inset(cell.rect, 1), kToday);
        }
    }
    for (const CalendarCell& cell : cells_) {
        if (cell.hasTrack) {
            canvas.fillRect(inset(cell.rect, 1), kTrackDay);
        } else if (cell.date.month != month_) {
            canvas.fillRect(inset(cell.rect, 1), kOtherMonth);
        }
        canvas.text(inset(cell.rect, 2), std::to_string(cell.date.day), kBlack,
                    ui::kAlignCenter | ui::kAlignMiddle);
    }
    if (selected_ >= 0) {
        canvas.frameRect(cells_[selected_].rect, kRed);
    }
}

CalendarDate localToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

CalendarDate dateOf(double oleDate) {
    SystemTime t;
    if (!VariantTimeToSystemTime(oleDate, t)) {
        return {};
    }
    return {t.year, t.month, t.day};
}

double oleDateOf(const CalendarDate& date) {
    SystemTime t;
    t.year = date.year;
    t.month = date.month;
    t.day = date.day;
    double value = 0;
    SystemTimeToVariantTime(t, value);
    return value;
}

}  // namespace vandrel::tracks
