#include "tracks/page_statistics.h"

#include "core/ole_date.h"
#include "flows/stored_statistics.h"
#include "tracks/track_statistics_panel.h"
#include "ui/command_runner.h"
#include "ui/element.h"
#include "ui/list_view.h"

namespace vandrel::tracks {

PageStatistics::PageStatistics(ui::PageWindow& page, TrackPageModel& model,
                               ui::CommandRunner* commands)
    : page_(page),
      model_(model),
      commands_(commands),
      view_(page, model.session),
      rowTip_(page, "charttip") {}

void PageStatistics::attach() {
    view_.attach(totalsChartControl(page_));
}

void PageStatistics::fillMissing(int year, int month) {
    if (commands_ == nullptr || tracksWithoutStatistics(model_.session) == 0) {
        return;
    }
    commands_->run([this](UserPrompt& prompt) {
        BusyScope busy(prompt);
        fillStoredStatistics(model_.session);
    });
    writeMonthTotals(year, month);
}

void PageStatistics::writeMonthTotals(int year, int month) {
    ui::Element* label = page_.byId("monthtotals");
    if (label == nullptr) {
        return;
    }
    SystemTime first;
    first.year = year, first.month = month, first.day = 1;
    double from = 0;
    if (!SystemTimeToVariantTime(first, from)) {
        return;
    }
    SystemTime next = first;
    next.year += first.month == 12 ? 1 : 0;
    next.month = first.month == 12 ? 1 : first.month + 1;
    double to = from;
    SystemTimeToVariantTime(next, to);
    // The totals are read at each repaint of the calendar, also on the way to a day's read
    // that tells a failure itself: a label the database cannot fill stays empty.
    std::string text;
    try {
        text = monthTotalsText(readStoredTotals(model_.session, from, to, TotalsPeriod::Month),
                               model_.session.settings);
    } catch (const std::exception&) {
    }
    label->setText(text);
}

// The panel of the last track goes also when this one's statistics cannot be read.
void PageStatistics::writeShownTrack() {
    std::optional<TrackStatistics> statistics;
    if (const TrackHeader* track = model_.shownTrack()) {
        try {
            statistics = storedTrackStatistics(model_.session, *track);
        } catch (...) {
            writeStatisticsPanel(page_, std::nullopt, model_.session.settings);
            throw;
        }
    }
    writeStatisticsPanel(page_, statistics, model_.session.settings);
}

void PageStatistics::showRowTooltip(const ui::ListNotify& notify) {
    const int row = notify.item;
    if (row == tipRow_) {
        return;
    }
    tipRow_ = row;
    if (!model_.showsRow(row)) {
        rowTip_.hide();
        return;
    }
    const TrackHeader& track = model_.dayTracks[static_cast<std::size_t>(row)];
    ui::ListView* list = trackListControl(page_);
    const ui::Rect box =
        list != nullptr && list->element() != nullptr ? list->element()->location() : ui::Rect{};
    rowTip_.show(
        trackRowTooltip(storedTrackStatistics(model_.session, track), model_.session.settings),
        {box.left + notify.point.x, box.top + notify.point.y});
}

}  // namespace vandrel::tracks
