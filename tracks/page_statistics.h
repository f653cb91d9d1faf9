#pragma once
// The statistics the track page shows: the Statistics view's yearly totals, the shown month's
// totals under the calendar, the shown track's panel beside the chart and a day list row's
// tooltip. An older database's tracks get their statistics first, under the busy window.

#include "tracks/statistics_view.h"
#include "tracks/track_page_model.h"
#include "ui/page_window.h"
#include "ui/tooltip.h"

namespace vandrel::ui {
class CommandRunner;
struct ListNotify;
}  // namespace vandrel::ui

namespace vandrel::tracks {

class PageStatistics {
  public:
    PageStatistics(ui::PageWindow& page, TrackPageModel& model, ui::CommandRunner* commands);

    void attach();
    // Computes what an older database's tracks lack, then the month's totals show.
    void fillMissing(int year, int month);
    void writeMonthTotals(int year, int month);
    void writeShownTrack();
    void showRowTooltip(const ui::ListNotify& notify);

    StatisticsView& view() { return view_; }

  private:
    ui::PageWindow& page_;
    TrackPageModel& model_;
    ui::CommandRunner* commands_;
    StatisticsView view_;
    ui::Tooltip rowTip_;
    int tipRow_ = -1;
};

}  // namespace vandrel::tracks
