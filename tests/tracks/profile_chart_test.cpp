// The profile chart: distance steps and labels, the tooltip of a point, the point under the
// mouse, and a long track drawn as wide as the chart rather than as long as the track.
#include <gtest/gtest.h>

#include "tracks/profile_chart.h"

namespace vandrel::tracks {
namespace {

TrackHeader trackOf(int n, double metres) {
    TrackHeader track;
    track.dist = static_cast<float>(metres);
    for (int i = 0; i < n; ++i) {
        TrackPoint p;
        p.dist = static_cast<float>(metres * i / std::max(1, n - 1));
        p.alt = 100.0f + static_cast<float>(i % 50);
        p.bar = 1013.25f;
        p.tmp = 20.0f;
        p.lat = 47.5f;
        p.lng = -8.25f;
        track.points.push_back(p);
    }
    return track;
}

DeviceSettings units(int length, int temperature = 0) {
    DeviceSettings s;
    s.Length = length;
    s.Temperature = temperature;
    return s;
}

TEST(ProfileChart, DistanceStepsLabelsAndTitlesFollowTheUnits) {
    ProfileChart chart;
    chart.Build(ChartKind::Altitude, trackOf(100, 5300), units(0));
    EXPECT_EQ(chart.xLabels().size(), 12u);
    EXPECT_EQ(chart.xLabels().back(), "5500");
    EXPECT_EQ(chart.xTitle(), "Distance(m)");
    EXPECT_EQ(chart.yTitle(), "Altitude(m)");
    chart.Build(ChartKind::Altitude, trackOf(100, 9900), units(0));
    EXPECT_EQ(chart.xLabels(),
              (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
    EXPECT_EQ(chart.xTitle(), "Distance(km)");
    // A step of 2.5 km shows its decimal rather than rounding to repeated whole numbers.
    chart.Build(ChartKind::Altitude, trackOf(100, 45000), units(0));
    EXPECT_EQ(std::vector<std::string>(chart.xLabels().begin(), chart.xLabels().begin() + 3),
              (std::vector<std::string>{"0.0", "2.5", "5.0"}));
    chart.Build(ChartKind::Altitude, trackOf(100, 3000), units(1));  // 9,840 ft
    EXPECT_EQ(chart.xLabels().size(), 11u);
    EXPECT_EQ(chart.xLabels()[1], "1000");
    EXPECT_EQ(chart.xTitle(), "Distance(ft)");
    EXPECT_EQ(chart.yTitle(), "Altitude(ft)");
    chart.Build(ChartKind::Temperature, trackOf(100, 4000), units(1, 1));  // 13,120 ft
    EXPECT_EQ(chart.xLabels().size(), 14u);
    EXPECT_EQ(chart.xLabels()[1], "0.2");
    EXPECT_EQ(chart.xLabels().back(), "2.6");
    EXPECT_EQ(chart.xTitle(), "Distance(mi)");
    EXPECT_EQ(chart.yTitle(), "Temperature(\u00B0f)");
}

TEST(ProfileChart, TracksOfNoLengthOrBeyondTheTablesKeepWithinTwentyLabels) {
    EXPECT_EQ(FindAxisStep(0, 0).labels, 11);
    const AxisStep far = FindAxisStep(25'000'000, 0);  // more than 19 x 1,000,000 m
    EXPECT_EQ(far.step, 2'000'000);
    EXPECT_LE(far.labels, 20);
    EXPECT_LE(FindAxisStep(1e15, 1).labels, 20);
    ProfileChart chart;
    chart.Build(ChartKind::Altitude, trackOf(5, 0), units(0));
    EXPECT_EQ(chart.pointAt(ProfileChart::plotArea(300, 180).right, 300), 4);
}

TEST(ProfileChart, TooltipTellsThePointsValueOfTheKindAndItsPlace) {
    ProfileChart chart;
    const TrackHeader track = trackOf(3, 2000);
    chart.Build(ChartKind::AirPressure, track, units(0));
    EXPECT_EQ(chart.tooltipText(1), "Distance:1.00 km Air Pressure:" + FormatPressure(1013.25) +
                                        "\r\nLat:" + FormatCoordinate(47.5) +
                                        "  Lng:" + FormatCoordinate(-8.25));
    chart.Build(ChartKind::Altitude, track, units(1));
    EXPECT_EQ(chart.tooltipText(0).substr(0, 29), "Distance:0.0 ft Altitude:328.");
    EXPECT_EQ(chart.tooltipText(3), "");
}

TEST(ProfileChart, ThePointUnderXComesFromItsPositionAndALongLineDrawsPerColumn) {
    ProfileChart chart;
    chart.Build(ChartKind::Altitude, trackOf(49'900, 42'000), units(0));
    const ui::Rect plot = ProfileChart::plotArea(1000, 180);
    EXPECT_EQ(chart.pointAt(plot.left, 1000), 0);
    EXPECT_EQ(chart.pointAt(plot.left - 20, 1000), -1);
    const int middle = chart.pointAt((plot.left + plot.right) / 2, 1000);
    EXPECT_NEAR(middle, (chart.xMaximum() - 1) / 2, chart.xMaximum() / plot.width());
    ui::Canvas canvas(1000, 180);
    chart.paint(canvas);
    const std::string svg = canvas.svg();
    const std::size_t polyline = svg.find("<polyline");
    ASSERT_NE(polyline, std::string::npos);
    EXPECT_NE(svg.find("stroke=\"#3042f1\" stroke-width=\"2\"", polyline), std::string::npos);
    const std::size_t end = svg.find("/>", polyline);
    const auto vertices = std::count(svg.begin() + static_cast<long>(polyline),
                                     svg.begin() + static_cast<long>(end), ',');
    EXPECT_LE(vertices, 4 * plot.width() + 4);
    EXPECT_GT(vertices, plot.width() / 2);
}

// Twenty labels of four digits on a chart as narrow as a small window's: no two labels overlap,
// and the first and every other one still stand under their lines.
TEST(ProfileChart, DistanceLabelsOfANarrowChartDoNotRunIntoEachOther) {
    ProfileChart chart;
    chart.Build(ChartKind::Altitude, trackOf(720, 4'680), units(0));
    ASSERT_EQ(chart.xLabels().size(), 20u);
    const auto drawnLabels = [&](int width) {
        ui::Canvas canvas(width, 200);
        chart.paint(canvas);
        const std::string svg = canvas.svg();
        std::vector<std::string> drawn;
        for (const std::string& label : chart.xLabels()) {
            if (svg.find(">" + label + "</text>") != std::string::npos) {
                drawn.push_back(label);
            }
        }
        return drawn;
    };
    EXPECT_EQ(drawnLabels(1400).size(), 20u);
    const std::vector<std::string> narrow = drawnLabels(500);
    EXPECT_EQ(narrow.front(), "0");
    EXPECT_LE(narrow.size(), 10u);
    EXPECT_GE(narrow.size(), 5u);
}

}  // namespace
}  // namespace vandrel::tracks
