#include "tracks/totals_chart.h"

#include <algorithm>
#include <cmath>

#include "core/ole_date.h"
#include "core/stat_units.h"
#include "core/units.h"

namespace vandrel::tracks {
namespace {

constexpr int kLeft = 62;
constexpr int kRight = 14;
constexpr int kTitleHeight = 18;
constexpr int kLabelHeight = 16;
constexpr ui::Color kWhite = ui::rgb(255, 255, 255);
constexpr ui::Color kGrid = ui::rgb(0xCC, 0xCC, 0xCC);
constexpr ui::Color kAxis = ui::rgb(0, 0, 0);
constexpr ui::Color kText = ui::rgb(0, 0, 0);
constexpr ui::Color kBar = ui::rgb(0x30, 0x42, 0xF1);
constexpr ui::Color kHotBar = ui::rgb(247, 147, 30);

enum Panel { kDistance, kMoving, kClimb, kPanels };

// A round top for an axis: 1, 2 or 5 times a power of ten, in four steps.
double roundStep(double top) {
    if (!(top > 0)) {
        return 1;
    }
    const double raw = top / 4;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0}) {
        if (m * magnitude >= raw) {
            return m * magnitude;
        }
    }
    return 10 * magnitude;
}

}  // namespace

std::vector<PeriodTotals> completeYear(const std::vector<PeriodTotals>& totals, int year,
                                       TotalsPeriod period) {
    if (period == TotalsPeriod::Year) {
        return totals;
    }
    std::vector<PeriodTotals> all;
    // The first day of the year, then a day in each following week or month.
    const auto startDays = static_cast<double>(daysFromCivil(year, 1, 1) + 25569);
    for (double day = startDays; day < startDays + 372;
         day += period == TotalsPeriod::Week ? 7 : 28) {
        PeriodTotals slot = periodOf(day, period);
        if (slot.label.compare(0, 4, std::to_string(year)) != 0 ||
            (!all.empty() && all.back().label == slot.label)) {
            continue;
        }
        for (const PeriodTotals& held : totals) {
            if (held.label == slot.label) {
                slot = held;
            }
        }
        all.push_back(std::move(slot));
    }
    return all;
}

void TotalsChart::set(std::vector<PeriodTotals> periods, const DeviceSettings& settings) {
    periods_ = std::move(periods);
    settings_ = settings;
    hot_ = -1;
}

int TotalsChart::periodAt(int x, int width) const {
    const int plot = width - kLeft - kRight;
    if (periods_.empty() || plot <= 0 || x < kLeft || x >= kLeft + plot) {
        return -1;
    }
    return static_cast<int>((x - kLeft) * static_cast<long>(periods_.size()) / plot);
}

std::string TotalsChart::tooltipText(int index) const {
    if (index < 0 || index >= static_cast<int>(periods_.size())) {
        return {};
    }
    const PeriodTotals& p = periods_[static_cast<std::size_t>(index)];
    return p.label + "\r\nTracks: " + std::to_string(p.tracks) +
           "\r\nDistance: " + FormatDistance(p.distance, settings_) +
           "\r\nMoving time: " + FormatDuration(p.movingTime) +
           "\r\nClimb: " + FormatClimb(p.climb, settings_);
}

void TotalsChart::paint(ui::Canvas& canvas) const {
    const int w = canvas.width();
    const int h = canvas.height();
    canvas.fillRect({0, 0, w, h}, kWhite);
    if (periods_.empty()) {
        canvas.setFont({12, false});
        canvas.text({0, 0, w, h}, "No tracks", kText, ui::kAlignCenter | ui::kAlignMiddle);
        return;
    }
    const int panelHeight = h / kPanels;
    for (int panel = 0; panel < kPanels; ++panel) {
        paintPanel(canvas, {0, panel * panelHeight, w, (panel + 1) * panelHeight}, panel);
    }
}

void TotalsChart::paintPanel(ui::Canvas& canvas, const ui::Rect& box, int panel) const {
    const bool feet = settings_.Length == 1;
    const char* titles[kPanels] = {feet ? "Distance (mi)" : "Distance (km)", "Moving time (h)",
                                   feet ? "Climb (ft)" : "Climb (m)"};
    auto valueOf = [&](const PeriodTotals& p) {
        switch (panel) {
            case kDistance:
                return DistanceInUnit(p.distance, settings_);
            case kMoving:
                return p.movingTime / 3600.0;
            default:
                return ClimbInUnit(p.climb, settings_);
        }
    };
    const ui::Rect plot{kLeft, box.top + kTitleHeight, box.right - kRight,
                        box.bottom - kLabelHeight - 4};
    if (plot.width() < 2 || plot.height() < 2) {
        return;
    }
    double top = 0;
    for (const PeriodTotals& p : periods_) {
        top = std::max(top, valueOf(p));
    }
    const double step = roundStep(top);
    const double high = std::max(step, std::ceil(top / step) * step);
    canvas.setFont({12, true});
    canvas.text({kLeft, box.top + 1, box.right, box.top + kTitleHeight}, titles[panel], kText,
                ui::kAlignMiddle);
    canvas.setFont({10, false});
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    for (double v = 0; v <= high + step / 2; v += step) {
        const int y = static_cast<int>(std::lround(plot.bottom - v / high * plot.height()));
        canvas.line({plot.left, y}, {plot.right, y}, kGrid);
        canvas.text({0, y - 7, plot.left - 5, y + 7}, FormatScriptNumber(v, decimals), kText,
                    ui::kAlignRight | ui::kAlignMiddle);
    }
    const double slot = static_cast<double>(plot.width()) / static_cast<double>(periods_.size());
    // Labels no closer than 44 pixels: every fourth week still reads.
    const int every = std::max(1, static_cast<int>(std::ceil(44.0 / slot)));
    for (std::size_t i = 0; i < periods_.size(); ++i) {
        const int left = plot.left + static_cast<int>(std::lround(slot * i + slot * 0.15));
        const int right = plot.left + static_cast<int>(std::lround(slot * (i + 1) - slot * 0.15));
        const double v = valueOf(periods_[i]);
        const int y = static_cast<int>(std::lround(plot.bottom - v / high * plot.height()));
        if (v > 0) {
            canvas.fillRect({left, y, std::max(right, left + 1), plot.bottom},
                            static_cast<int>(i) == hot_ ? kHotBar : kBar);
        }
        if (i % static_cast<std::size_t>(every) == 0) {
            const std::string& label = periods_[i].label;
            // "2026-03" shows as "03", "2026-W09" as "W09"; a year as itself.
            const std::string shown = label.size() > 5 ? label.substr(5) : label;
            const int middle = (left + right) / 2;
            canvas.text({middle - 30, plot.bottom + 3, middle + 30, plot.bottom + 3 + kLabelHeight},
                        shown, kText, ui::kAlignCenter | ui::kAlignMiddle);
        }
    }
    canvas.line({plot.left, plot.top}, {plot.left, plot.bottom}, kAxis, 2);
    canvas.line({plot.left, plot.bottom}, {plot.right, plot.bottom}, kAxis, 2);
}

}  // namespace vandrel::tracks
