#pragma once
// The statistics view of the track page (beside Map and Detail): the totals of one year per
// week or month, or of every year, as bar charts the program draws, with a bar's numbers in
// a tooltip while the mouse is over it.

#include "core/statistics_totals.h"
#include "flows/session.h"
#include "tracks/totals_chart.h"
#include "ui/page_window.h"
#include "ui/tooltip.h"

namespace vandrel::ui {
class StaticControl;
struct Message;
}  // namespace vandrel::ui

namespace vandrel::tracks {

class StatisticsView {
  public:
    StatisticsView(ui::PageWindow& page, Session& session);

    void attach(ui::StaticControl* control);
    // Reads the totals of the shown year again and redraws.
    void refresh();
    void showYear(int year);
    void lastYear() { showYear(year_ - 1); }
    void nextYear() { showYear(year_ + 1); }
    void showBy(TotalsPeriod period);

    int year() const { return year_; }
    const TotalsChart& chart() const { return chart_; }

  private:
    void onMouse(const ui::Message& message);
    void writeCaption();

    ui::PageWindow& page_;
    Session& session_;
    ui::StaticControl* control_ = nullptr;
    TotalsChart chart_;
    ui::Tooltip tip_;
    int year_ = 2000;
    TotalsPeriod by_ = TotalsPeriod::Month;
    int hot_ = -1;
};

}  // namespace vandrel::tracks
