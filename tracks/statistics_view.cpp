#include "tracks/statistics_view.h"

#include <algorithm>
#include <utility>

#include "core/ole_date.h"
#include "flows/stored_statistics.h"
#include "ui/element.h"
#include "ui/messages.h"
#include "ui/static_control.h"

namespace vandrel::tracks {
namespace {

double firstDayOf(int year) {
    return static_cast<double>(daysFromCivil(year, 1, 1) + 25569);
}

}  // namespace

StatisticsView::StatisticsView(ui::PageWindow& page, Session& session)
    : page_(page), session_(session), tip_(page, "charttip") {}

void StatisticsView::attach(ui::StaticControl* control) {
    control_ = control;
    if (control_ != nullptr) {
        control_->setPainter([this](ui::Canvas& canvas) { chart_.paint(canvas); });
        control_->setMouseHandler([this](const ui::Message& message) { onMouse(message); });
    }
}

// Only stored statistics are read: the page fills in what an older database lacks, under the
// busy window, before it shows totals.
void StatisticsView::refresh() {
    const bool byYear = by_ == TotalsPeriod::Year;
    const double from = byYear ? -1e9 : firstDayOf(year_);
    const double to = byYear ? 1e9 : firstDayOf(year_ + 1);
    const std::vector<PeriodTotals> totals = readStoredTotals(session_, from, to, by_);
    chart_.set(completeYear(totals, year_, by_), session_.settings);
    hot_ = -1;
    tip_.hide();
    writeCaption();
    if (control_ != nullptr) {
        control_->invalidate();
    }
}

void StatisticsView::showYear(int year) {
    year_ = std::clamp(year, 1900, 9998);
    refresh();
}

void StatisticsView::showBy(TotalsPeriod period) {
    by_ = period;
    for (const auto& [id, p] :
         {std::pair{"statweek", TotalsPeriod::Week}, std::pair{"statmonth", TotalsPeriod::Month},
          std::pair{"statyear", TotalsPeriod::Year}}) {
        if (ui::Element* e = page_.byId(id)) {
            e->setAttribute("class", p == period ? "statby selected" : "statby");
        }
    }
    refresh();
}

void StatisticsView::writeCaption() {
    if (ui::Element* caption = page_.byId("statyearlabel")) {
        caption->setText(by_ == TotalsPeriod::Year ? "All years" : std::to_string(year_));
    }
}

void StatisticsView::onMouse(const ui::Message& message) {
    if (control_ == nullptr) {
        return;
    }
    if (message.id == ui::WM_MOUSELEAVE) {
        tip_.hide();
        chart_.setHot(hot_ = -1);
        control_->invalidate();
        return;
    }
    if (message.id != ui::WM_MOUSEMOVE) {
        return;
    }
    const ui::Point at{ui::pointParamX(message.lParam), ui::pointParamY(message.lParam)};
    const int hot = chart_.periodAt(at.x, control_->clientRect().width());
    if (hot == hot_) {
        return;
    }
    chart_.setHot(hot_ = hot);
    control_->invalidate();
    const ui::Element* e = control_->element();
    const ui::Point origin = e != nullptr ? e->location().origin() : ui::Point{};
    tip_.show(chart_.tooltipText(hot), {origin.x + at.x, origin.y + at.y});
}

}  // namespace vandrel::tracks
