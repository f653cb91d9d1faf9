#pragma once
// The profile of the shown track below the map: altitude, air pressure, temperature or speed
// against the distance along the track, with distance labels at round steps, a y axis that scales
// itself to round values, and a hot spot per point for the tooltip and the click.

#include <string>
#include <vector>

#include "core/device_settings.h"
#include "core/track_records.h"
#include "core/units.h"
#include "ui/canvas.h"

namespace vandrel::tracks {

enum class ChartKind { Altitude = 1, AirPressure = 2, Temperature = 3, Speed = 4 };

// The distance between x labels and their count (11 to 20), in metres or feet; `miles` when
// the step comes from the table of tenths of miles.
struct AxisStep {
    int step = 0;
    int labels = 0;
    bool miles = false;
};

// The first step of the tables (times 1, 10, 100, 1000 and on) and label count whose last label
// reaches the distance D (metres, or feet with Length 1). A track of no length gets the
// smallest step; one longer than the tables reach gets a larger power of ten, so that there are
// never more than 20 labels.
AxisStep FindAxisStep(double distance, int length);

// The value axis: its lowest and highest grid line and the step between lines.
struct ChartYScale {
    double low = 0;
    double high = 1;
    double step = 1;
};

class ProfileChart {
  public:
    void Build(ChartKind kind, const TrackHeader& track, const DeviceSettings& settings);
    void Clear();
    bool built() const { return !points_.empty(); }
    int pointCount() const { return static_cast<int>(points_.size()); }

    // Draws the chart at the canvas's size.
    void paint(ui::Canvas& canvas) const;
    // The plot area of a chart of that size.
    static ui::Rect plotArea(int width, int height);
    // The point whose hot spot lies at x (control coordinates) in a chart of that width, or -1.
    int pointAt(int x, int width) const;
    // Where a point stands across a chart of that width (control coordinates), or -1.
    int xOfPoint(int index, int width) const;
    // The tooltip of a point: its distance and value, a line break, its position.
    std::string tooltipText(int index) const;
    const TrackPoint& point(int index) const { return points_[static_cast<std::size_t>(index)]; }

    const std::vector<std::string>& xLabels() const { return xLabels_; }
    const std::string& xTitle() const { return xTitle_; }
    const std::string& yTitle() const { return yTitle_; }
    int xMaximum() const { return xMax_; }

  private:
    void paintAxes(ui::Canvas& canvas, const ui::Rect& plot, const ChartYScale& y) const;
    std::vector<ui::Point> lineColumns(const ui::Rect& plot, const ChartYScale& y) const;
    int labelledLineEvery(int plotWidth) const;
    double xOf(double index, const ui::Rect& plot) const;

    ChartKind kind_ = ChartKind::Altitude;
    DeviceSettings settings_;
    std::vector<TrackPoint> points_;
    std::vector<double> values_;
    std::vector<double> speeds_;  // metres per second at each point, for the Speed profile
    std::vector<std::string> xLabels_;
    std::string xTitle_;
    std::string yTitle_;
    int xMax_ = 0;
};

}  // namespace vandrel::tracks
