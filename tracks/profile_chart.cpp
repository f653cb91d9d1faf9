#include "tracks/profile_chart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/stat_units.h"
#include "core/track_statistics.h"

namespace vandrel::tracks {
namespace {

constexpr std::array<int, 8> kStepTable = {10, 20, 50, 100, 200, 250, 500, 1000};
constexpr std::array<int, 8> kMilesTable = {528, 1056, 2640, 5280, 10560, 13200, 26400, 52800};
constexpr double kFeetPerMetre = 3.28;
constexpr double kMilesFrom = 10560;  // feet: from two miles on, steps are tenths of miles

constexpr ui::Color kWhite = ui::rgb(255, 255, 255);
constexpr ui::Color kGrid = ui::rgb(0xCC, 0xCC, 0xCC);
constexpr ui::Color kAxis = ui::rgb(0, 0, 0);
constexpr ui::Color kText = ui::rgb(0, 0, 0);
constexpr ui::Color kLine = ui::rgb(0x30, 0x42, 0xF1);

// A round step for the y axis: 1, 2 or 5 times a power of ten, about six steps over the range.
double roundStep(double range) {
    const double raw = range / 6;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0}) {
        if (m * magnitude >= raw) {
            return m * magnitude;
        }
    }
    return 10 * magnitude;
}

// A speed axis starts at standing still, so that a slow stretch never looks like a stop.
// Points without the reading (NaN) take no part.
ChartYScale yScaleOf(const std::vector<double>& values, bool fromZero) {
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const double v : values) {
        if (!std::isnan(v)) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    if (low > high) {
        low = high = 0;
    }
    if (fromZero) {
        low = std::min(low, 0.0);
    }
    if (high - low < 1e-9) {
        low -= 1;
        high += 1;
    }
    ChartYScale s;
    s.step = roundStep(high - low);
    s.low = std::floor(low / s.step) * s.step;
    s.high = std::ceil(high / s.step) * s.step;
    return s;
}

double yOnPlot(double v, const ChartYScale& y, const ui::Rect& plot) {
    return plot.bottom - (v - y.low) / (y.high - y.low) * plot.height();
}

// The decimals a label needs to show the step exactly: a 2.5 km step labels 2.5, 5, 7.5, not
// whole numbers that repeat or skip.
int stepDecimals(double step) {
    int decimals = 0;
    while (decimals < 3 && std::abs(step - std::round(step)) > 1e-9) {
        step *= 10;
        ++decimals;
    }
    return decimals;
}

int decimalsOf(double step) {
    return step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
}

}  // namespace

AxisStep FindAxisStep(double distance, int length) {
    const bool miles = length != 0 && distance >= kMilesFrom;
    const auto& table = miles ? kMilesTable : kStepTable;
    if (!(distance > 0)) {
        return {table[0], 11, miles};
    }
    AxisStep last{table[0], 20, miles};
    for (int64_t m = 1; m * table.back() <= std::numeric_limits<int32_t>::max(); m *= 10) {
        for (int t : table) {
            const int64_t step = m * t;
            if (step > std::numeric_limits<int32_t>::max()) {
                break;
            }
            for (int labels = 11; labels <= 20; ++labels) {
                if (static_cast<double>(labels - 1) * static_cast<double>(step) >= distance) {
                    return {static_cast<int>(step), labels, miles};
                }
            }
            last = {static_cast<int>(step), 20, miles};
        }
    }
    // Longer than any step a 32-bit count holds: the largest, with the most labels.
    return last;
}

// Every how many grid lines of the distance axis a label goes, so that labels never run into
// each other on a narrow chart (twenty labels of "4750" on a window 1024 wide): the widest
// label, at about 6 pixels a character of the labels' font, and a gap.
int ProfileChart::labelledLineEvery(int plotWidth) const {
    std::size_t widest = 0;
    for (const std::string& label : xLabels_) {
        widest = std::max(widest, label.size());
    }
    const double spacing = static_cast<double>(plotWidth) /
                           static_cast<double>(std::max<std::size_t>(2, xLabels_.size()) - 1);
    const double needed = static_cast<double>(widest) * 6 + 8;
    return spacing >= needed ? 1 : static_cast<int>(std::ceil(needed / std::max(spacing, 1.0)));
}

void ProfileChart::Build(ChartKind kind, const TrackHeader& track, const DeviceSettings& settings) {
    Clear();
    if (track.points.empty()) {
        return;
    }
    kind_ = kind;
    settings_ = settings;
    points_ = track.points;
    const bool feet = settings.Length != 0;
    const double distance = feet ? track.dist * kFeetPerMetre : track.dist;
    const AxisStep axis = FindAxisStep(distance, settings.Length);
    const double n = static_cast<double>(points_.size());
    const double span = static_cast<double>(axis.step) * (axis.labels - 1);
    xMax_ = distance > 0 ? static_cast<int>(std::min(span / distance * n, 2e9)) : 0;
    // A track of no length spreads its points over the whole axis.
    xMax_ = std::max(xMax_, static_cast<int>(points_.size()));
    for (int i = 0; i < axis.labels; ++i) {
        const double at = static_cast<double>(i) * axis.step;
        const double unit = axis.miles ? 5280 : (!feet && axis.step >= 1000) ? 1000 : 1;
        xLabels_.push_back(FormatScriptNumber(at / unit, stepDecimals(axis.step / unit)));
    }
    xTitle_ = axis.miles          ? "Distance(mi)"
              : feet              ? "Distance(ft)"
              : axis.step >= 1000 ? "Distance(km)"
                                  : "Distance(m)";
    if (kind == ChartKind::Speed) {
        speeds_ = pointSpeeds(points_);
    }
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const TrackPoint& p = points_[i];
        switch (kind) {
            case ChartKind::Altitude:
                values_.push_back(feet ? p.alt * kFeetPerMetre : p.alt);
                break;
            case ChartKind::AirPressure:
                values_.push_back(p.bar);
                break;
            case ChartKind::Temperature:
                values_.push_back(settings.Temperature != 0 ? p.tmp * 1.8 + 32 : p.tmp);
                break;
            case ChartKind::Speed:
                values_.push_back(SpeedInUnit(speeds_[i], settings));
                break;
        }
    }
    switch (kind) {
        case ChartKind::Altitude:
            yTitle_ = feet ? "Altitude(ft)" : "Altitude(m)";
            break;
        case ChartKind::AirPressure:
            yTitle_ = "Air Pressure(hpa)";
            break;
        case ChartKind::Temperature:
            yTitle_ = settings.Temperature != 0 ? "Temperature(\u00B0f)" : "Temperature(\u00B0c)";
            break;
        case ChartKind::Speed:
            yTitle_ = feet ? "Speed(mph)" : "Speed(km/h)";
            break;
    }
}

void ProfileChart::Clear() {
    points_.clear();
    values_.clear();
    speeds_.clear();
    xLabels_.clear();
    xTitle_.clear();
    yTitle_.clear();
    xMax_ = 0;
}

ui::Rect ProfileChart::plotArea(int width, int height) {
    return {62, 10, 62 + std::max(0, width - 76), 10 + std::max(0, height - 50)};
}

double ProfileChart::xOf(double index, const ui::Rect& plot) const {
    const double last = std::max(1, xMax_ - 1);
    return plot.left + index / last * plot.width();
}

int ProfileChart::pointAt(int x, int width) const {
    if (points_.empty()) {
        return -1;
    }
    const ui::Rect plot = plotArea(width, 100);
    if (plot.width() <= 0 || x < plot.left - 3 || x > plot.right + 3) {
        return -1;
    }
    const double last = std::max(1, xMax_ - 1);
    const long index = std::lround((x - plot.left) * last / plot.width());
    if (index < 0 || index >= static_cast<long>(points_.size())) {
        return -1;
    }
    return static_cast<int>(index);
}

int ProfileChart::xOfPoint(int index, int width) const {
    if (index < 0 || index >= static_cast<int>(points_.size())) {
        return -1;
    }
    return static_cast<int>(std::lround(xOf(index, plotArea(width, 100))));
}

std::string ProfileChart::tooltipText(int index) const {
    if (index < 0 || index >= static_cast<int>(points_.size())) {
        return {};
    }
    const TrackPoint& p = points_[static_cast<std::size_t>(index)];
    std::string value;
    switch (kind_) {
        case ChartKind::Altitude:
            value = " Altitude:" + FormatAltitude(p.alt, settings_);
            break;
        case ChartKind::AirPressure:
            value = " Air Pressure:" + FormatPressure(p.bar);
            break;
        case ChartKind::Temperature:
            value = " Temperature:" + FormatTemperature(p.tmp, settings_);
            break;
        case ChartKind::Speed:
            value = " Speed:" + FormatSpeed(speeds_[static_cast<std::size_t>(index)], settings_);
            break;
    }
    return "Distance:" + FormatDistance(p.dist, settings_) + value +
           "\r\nLat:" + FormatCoordinate(p.lat) + "  Lng:" + FormatCoordinate(p.lng);
}

void ProfileChart::paint(ui::Canvas& canvas) const {
    const int w = canvas.width();
    const int h = canvas.height();
    canvas.fillRect({0, 0, w, h}, kWhite);
    if (points_.empty()) {
        return;
    }
    const ui::Rect plot = plotArea(w, h);
    if (plot.width() < 2 || plot.height() < 2) {
        return;
    }
    const ChartYScale y = yScaleOf(values_, kind_ == ChartKind::Speed);
    paintAxes(canvas, plot, y);
    canvas.polyline(lineColumns(plot, y), kLine, 2);
}

// The grid with its labels, the two axes and their titles.
void ProfileChart::paintAxes(ui::Canvas& canvas, const ui::Rect& plot, const ChartYScale& y) const {
    canvas.setFont({10, false});
    const int labels = static_cast<int>(xLabels_.size());
    const int every = labelledLineEvery(plot.width());
    for (int i = 0; i < labels; ++i) {
        const int x = static_cast<int>(std::lround(
            plot.left + static_cast<double>(i) / std::max(1, labels - 1) * plot.width()));
        canvas.line({x, plot.top}, {x, plot.bottom}, kGrid);
        if (i % every == 0) {
            canvas.text({x - 30, plot.bottom + 3, x + 30, plot.bottom + 17}, xLabels_[i], kText,
                        ui::kAlignCenter | ui::kAlignMiddle);
        }
    }
    const int decimals = decimalsOf(y.step);
    for (double v = y.low; v <= y.high + y.step / 2; v += y.step) {
        const int py = static_cast<int>(std::lround(yOnPlot(v, y, plot)));
        canvas.line({plot.left, py}, {plot.right, py}, kGrid);
        canvas.text({0, py - 7, plot.left - 5, py + 7}, FormatScriptNumber(v, decimals), kText,
                    ui::kAlignRight | ui::kAlignMiddle);
    }
    canvas.line({plot.left, plot.top}, {plot.left, plot.bottom}, kAxis, 2);
    canvas.line({plot.left, plot.bottom}, {plot.right, plot.bottom}, kAxis, 2);
    canvas.setFont({12, false});
    const int h = canvas.height();
    canvas.text({plot.left, h - 18, plot.right, h - 2}, xTitle_, kText,
                ui::kAlignCenter | ui::kAlignMiddle);
    canvas.verticalText({0, plot.top, 18, plot.bottom}, yTitle_, kText);
}

// The line, per pixel column: where it enters, its lowest and highest point there, and where it
// leaves. A long track draws as many segments as the chart is wide, with the same look.
std::vector<ui::Point> ProfileChart::lineColumns(const ui::Rect& plot, const ChartYScale& y) const {
    std::vector<ui::Point> line;
    int column = std::numeric_limits<int>::min();
    int first = 0, low = 0, high = 0, last = 0;
    auto flush = [&] {
        if (column != std::numeric_limits<int>::min()) {
            for (int py : {first, low, high, last}) {
                if (line.empty() || line.back().x != column || line.back().y != py) {
                    line.push_back({column, py});
                }
            }
        }
    };
    for (std::size_t j = 0; j < values_.size(); ++j) {
        if (std::isnan(values_[j])) {
            continue;  // no reading there: the line goes on from the last point that has one
        }
        const int px = static_cast<int>(std::lround(xOf(static_cast<double>(j), plot)));
        const int py = static_cast<int>(std::lround(yOnPlot(values_[j], y, plot)));
        if (px != column) {
            flush();
            column = px;
            first = low = high = last = py;
        } else {
            low = std::max(low, py);  // screen y grows downwards: the lowest value
            high = std::min(high, py);
            last = py;
        }
    }
    flush();
    return line;
}

}  // namespace vandrel::tracks
