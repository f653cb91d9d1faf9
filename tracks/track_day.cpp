#include "tracks/track_day.h"

#include <algorithm>
#include <cmath>

#include "flows/stored_track_queries.h"
#include "flows/track_origin_names.h"
#include "tracks/track_list_row.h"
#include "ui/command_runner.h"
#include "ui/element.h"
#include "ui/list_view.h"
#include "ui/messages.h"
#include "ui/static_control.h"

namespace vandrel::tracks {

TrackDay::TrackDay(ui::PageWindow& page, TrackPageModel& model, ui::CommandRunner* commands,
                   Parts parts)
    : page_(page),
      model_(model),
      commands_(commands),
      parts_(parts),
      monthChoice_(page, [this](int year, int month) { showMonth(year, month); }) {}

void TrackDay::attach() {
    attachCalendar();
    loadTrackDates();
    calendar_.goToday(localToday());
    repaintCalendar();
    writeMonthLabel();
    attachList();
}

void TrackDay::attachCalendar() {
    ui::StaticControl* control = calendarControl(page_);
    if (control == nullptr) {
        return;
    }
    control->setPainter([this, control](ui::Canvas& canvas) {
        calendar_.layout(control->clientRect());
        calendar_.paint(canvas, localToday());
    });
    control->setMouseHandler([this](const ui::Message& message) { onCalendarMouse(message); });
    // The arrows move the selected day as a click selects one.
    control->setKeyHandler([this](int keyCode, unsigned) {
        if (!calendar_.moveSelection(keyCode)) {
            return false;
        }
        repaintCalendar();
        writeMonthLabel();
        page_.post(ui::MSG_DATE_CHANGED);
        return true;
    });
}

void TrackDay::attachList() {
    ui::ListView* list = trackListControl(page_);
    if (list == nullptr) {
        return;
    }
    list->insertColumn(0, kTrackColumnWide);
    list->setRowHeight(kTrackRowHeight);
    list->setRowPainter([this](ui::Canvas& canvas, int row, const ui::Rect& rect, bool sel) {
        if (model_.showsRow(row)) {
            const auto at = static_cast<std::size_t>(row);
            paintTrackRow(canvas, model_.dayTracks[at],
                          at < model_.dayOrigins.size() ? model_.dayOrigins[at] : std::string(),
                          rect, sel, row == model_.shownRow, model_.session.settings);
        }
    });
    list->setFrameChangedHandler([this] { applyColumnRule(); });
}

// Calendar ---------------------------------------------------------------------------------

void TrackDay::loadTrackDates() {
    loadTrackDates(storedTrackHeaders(model_.session));
}

void TrackDay::loadTrackDates(const std::vector<TrackHeader>& headers) {
    std::vector<CalendarDate> dates;
    for (const TrackHeader& header : headers) {
        // A track marks every day it covers; a damaged end time is held to a year, so that
        // one stray row cannot mark the calendar for centuries.
        const double last = std::clamp(header.etime, header.stime, header.stime + 366);
        for (double day = std::floor(header.stime); day <= last; day += 1) {
            dates.push_back(dateOf(std::max(day, header.stime)));
        }
    }
    calendar_.setTrackDates(std::move(dates));
}

void TrackDay::repaintCalendar() {
    if (ui::StaticControl* control = calendarControl(page_)) {
        control->invalidate();
    }
    parts_.statistics.writeMonthTotals(calendar_.year(), calendar_.month());
}

void TrackDay::writeMonthLabel() {
    if (ui::Element* label = page_.byId("calendardate")) {
        label->setText(calendar_.label());
    }
    parts_.statistics.writeMonthTotals(calendar_.year(), calendar_.month());
}

// The month taken in the month and year choice shows as the month buttons show one.
void TrackDay::showMonth(int year, int month) {
    calendar_.showMonth(year, month);
    repaintCalendar();
    writeMonthLabel();
}

void TrackDay::lastMonth() {
    monthChoice_.close();
    calendar_.lastMonth();
    repaintCalendar();
    writeMonthLabel();
}

void TrackDay::nextMonth() {
    monthChoice_.close();
    calendar_.nextMonth();
    repaintCalendar();
    writeMonthLabel();
}

void TrackDay::today() {
    monthChoice_.close();
    calendar_.goToday(localToday());
    repaintCalendar();
    writeMonthLabel();
    page_.post(ui::MSG_DATE_CHANGED);
}

void TrackDay::onCalendarMouse(const ui::Message& message) {
    if (message.id != ui::WM_LBUTTONDOWN) {
        return;
    }
    const ui::Point at{ui::pointParamX(message.lParam), ui::pointParamY(message.lParam)};
    if (calendar_.click(at)) {
        repaintCalendar();
        page_.post(ui::MSG_DATE_CHANGED);
    }
}

void TrackDay::refresh() {
    datesChanged();
    page_.post(ui::MSG_DATE_CHANGED);
}

void TrackDay::datesChanged() {
    loadTrackDates();
    calendar_.rebuild();
    repaintCalendar();
}

void TrackDay::showStoredTracks(const std::vector<TrackHeader>& headers, double newestStart) {
    loadTrackDates(headers);
    if (newestStart > 0) {
        calendar_.showDate(dateOf(newestStart));
        writeMonthLabel();
    }
    calendar_.rebuild();
    repaintCalendar();
}

// Day list ---------------------------------------------------------------------------------

void TrackDay::load() {
    parts_.shown.clear();
    model_.dayTracks.clear();
    readDay();
}

// A read that fails leaves the list empty rather than the last day's rows under another day.
void TrackDay::readDay() {
    const std::optional<CalendarDate> date = calendar_.selectedDate();
    try {
        model_.dayTracks = tracksOfDay(model_.session, date ? oleDateOf(*date) : 0);
        model_.dayOrigins = trackOrigins(model_.session, model_.dayTracks);
    } catch (...) {
        model_.dayTracks.clear();
        model_.dayOrigins.clear();
        fillTrackList();
        throw;
    }
    fillTrackList();
}

void TrackDay::fillTrackList() {
    model_.shownRow = -1;
    if (ui::ListView* list = trackListControl(page_)) {
        list->deleteAllRows();
        for (std::size_t i = 0; i < model_.dayTracks.size(); ++i) {
            list->insertRow(static_cast<int>(i), static_cast<std::intptr_t>(i));
        }
    }
    writeTrackCount();
}

void TrackDay::writeTrackCount() {
    if (ui::Element* label = page_.byId("tracknum")) {
        label->setText(trackCountText(static_cast<int>(model_.dayTracks.size())));
    }
}

void TrackDay::applyColumnRule() {
    ui::ListView* list = trackListControl(page_);
    if (list == nullptr) {
        return;
    }
    const int now = list->columnWidth(0);
    const int wanted = trackColumnWidth(now, list->showsVerticalScrollBar());
    if (wanted != now) {
        // Applied after the list has finished recalculating its frame.
        page_.loop().post([list, wanted, alive = page_.aliveToken()] {
            if (!alive.expired()) {
                list->setColumnWidth(0, wanted);
            }
        });
    }
}

int TrackDay::markedRow() const {
    const ui::ListView* list = trackListControl(page_);
    return list != nullptr ? list->selectionMark() : -1;
}

std::vector<bool> TrackDay::selectedRows() const {
    const ui::ListView* list = trackListControl(page_);
    std::vector<bool> selected(model_.dayTracks.size());
    for (std::size_t i = 0; list != nullptr && i < selected.size(); ++i) {
        selected[i] = list->isSelected(static_cast<int>(i));
    }
    return selected;
}

bool TrackDay::hasSelection() const {
    const ui::ListView* list = trackListControl(page_);
    return list != nullptr && !list->selectedRows().empty();
}

void TrackDay::openMenu(ui::Point at) {
    ui::ListView* list = trackListControl(page_);
    ui::Element* menu = page_.byId("tkmenu");
    if (list == nullptr || menu == nullptr || list->selectedRows().empty()) {
        return;
    }
    const ui::Rect box = list->element() != nullptr ? list->element()->location() : ui::Rect{};
    page_.showPopupAt(*menu, {box.left + at.x, box.top + at.y});
}

void TrackDay::hideMenu() {
    if (ui::Element* menu = page_.byId("tkmenu")) {
        page_.hidePopup(*menu);
    }
}

void TrackDay::deleteSelected() {
    hideMenu();
    if (trackListControl(page_) == nullptr || commands_ == nullptr ||
        !commands_->prompt().askYesNo(kDeleteTracksQuestion, {})) {
        return;
    }
    const std::vector<bool> selected = selectedRows();
    std::vector<TrackHeader> chosen;
    std::vector<int> chosenRows;
    for (std::size_t row = 0; row < selected.size(); ++row) {
        if (selected[row]) {
            chosen.push_back(model_.dayTracks[row]);
            chosenRows.push_back(static_cast<int>(row));
        }
    }
    const Outcome deleted =
        deleteStoredTracks(commands_->prompt(), model_.session, chosen, [&](std::size_t i) {
            if (model_.shown && chosen[i].objid == model_.shown->objid) {
                parts_.shown.clear();
            }
        });
    if (deleted.kind == OutcomeKind::Failed) {
        // What was deleted so far stays deleted; the list shows the day as it is now.
        load();
    } else if (deleted.complete()) {
        keepUnchosenRows(chosenRows);
    } else {
        return;
    }
    datesChanged();
    parts_.statistics.view().refresh();
}

// The rows left keep their own sources: a row moving up takes its source with it.
void TrackDay::keepUnchosenRows(const std::vector<int>& chosenRows) {
    std::vector<TrackHeader> kept;
    std::vector<std::string> keptOrigins;
    for (std::size_t row = 0; row < model_.dayTracks.size(); ++row) {
        if (!std::binary_search(chosenRows.begin(), chosenRows.end(), static_cast<int>(row))) {
            kept.push_back(std::move(model_.dayTracks[row]));
            keptOrigins.push_back(row < model_.dayOrigins.size() ? model_.dayOrigins[row]
                                                                 : std::string());
        }
    }
    model_.dayTracks = std::move(kept);
    model_.dayOrigins = std::move(keptOrigins);
    fillTrackList();
    parts_.shown.findShownRow();
}

}  // namespace vandrel::tracks
