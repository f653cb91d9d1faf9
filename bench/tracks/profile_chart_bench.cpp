// The profile chart of a full log's track (49,900 points): building and painting it at
// 1,000 x 180 pixels (the program's part of putting it on screen), and the tooltip of the point
// under the mouse.
#include <benchmark/benchmark.h>

#include <cmath>

#include "tracks/profile_chart.h"

namespace vandrel {
namespace {

TrackHeader longTrack() {
    TrackHeader track;
    track.dist = 42'000;
    for (int i = 0; i < 49'900; ++i) {
        TrackPoint p;
        p.dist = track.dist * static_cast<float>(i) / 49'899;
        p.alt = 400 + 150 * std::sin(i / 900.0f);
        p.bar = 1000;
        p.tmp = 15;
        p.lat = 47 + i * 1e-5f;
        p.lng = 8 + i * 1e-5f;
        track.points.push_back(p);
    }
    return track;
}

void BM_ChartBuildAndPaint(benchmark::State& state) {
    const TrackHeader track = longTrack();
    tracks::ProfileChart chart;
    std::size_t bytes = 0;
    for (auto _ : state) {
        chart.Build(tracks::ChartKind::Altitude, track, DeviceSettings{});
        ui::Canvas canvas(1000, 180);
        chart.paint(canvas);
        bytes = canvas.svg().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["svg_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ChartBuildAndPaint)->Unit(benchmark::kMillisecond);

void BM_ChartTooltipLookup(benchmark::State& state) {
    tracks::ProfileChart chart;
    chart.Build(tracks::ChartKind::Altitude, longTrack(), DeviceSettings{});
    int x = 62;
    for (auto _ : state) {
        x = x >= 986 ? 62 : x + 7;
        benchmark::DoNotOptimize(chart.tooltipText(chart.pointAt(x, 1000)));
    }
}
BENCHMARK(BM_ChartTooltipLookup)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vandrel
