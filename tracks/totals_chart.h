#pragma once
// The bar charts of the statistics view: distance, moving time and climb per week, month or
// year, one chart above the other, with the numbers of a bar in its tooltip.

#include <string>
#include <vector>

#include "core/device_settings.h"
#include "core/statistics_totals.h"
#include "ui/canvas.h"

namespace vandrel::tracks {

// Every week or month of a year in order, with the totals of those that hold tracks and zero
// for the rest, so that a quiet month shows as a gap. Totals by year are kept as they are.
std::vector<PeriodTotals> completeYear(const std::vector<PeriodTotals>& totals, int year,
                                       TotalsPeriod period);

class TotalsChart {
  public:
    void set(std::vector<PeriodTotals> periods, const DeviceSettings& settings);
    const std::vector<PeriodTotals>& periods() const { return periods_; }

    void paint(ui::Canvas& canvas) const;
    // The period whose bar column holds x in a chart of that width, or -1.
    int periodAt(int x, int width) const;
    // "2026-03\r\nTracks: 4\r\nDistance: ...\r\nMoving time: ...\r\nClimb: ...".
    std::string tooltipText(int index) const;
    void setHot(int index) { hot_ = index; }

  private:
    void paintPanel(ui::Canvas& canvas, const ui::Rect& box, int panel) const;

    std::vector<PeriodTotals> periods_;
    DeviceSettings settings_;
    int hot_ = -1;
};

}  // namespace vandrel::tracks
