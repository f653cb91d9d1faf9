// The day list's row as drawn: the track's origin, right of its times, never runs into the end
// time on either clock; a short one shows whole beside the 24-hour times, and a long one is cut
// to the room left.
#include <gtest/gtest.h>

#include "core/ole_date.h"
#include "tracks/track_list_row.h"

namespace vandrel::tracks {
namespace {

// The left edge of the clip of the grey text (the origin), and that text.
std::pair<int, std::string> originOf(const std::string& svg) {
    const std::string grey = "fill=\"#808080\" clip-path=\"url(#";
    const std::size_t at = svg.find(grey);
    if (at == std::string::npos) {
        return {-1, {}};
    }
    const std::size_t idStart = at + grey.size();
    const std::string id = svg.substr(idStart, svg.find(')', idStart) - idStart);
    const std::size_t textStart = svg.find('>', idStart) + 1;
    const std::string text = svg.substr(textStart, svg.find("</text>", textStart) - textStart);
    const std::size_t clip = svg.find("<clipPath id=\"" + id + "\"><rect x=\"");
    return {std::atoi(svg.c_str() + svg.find("x=\"", clip) + 3), text};
}

TEST(TrackListRow, TheOriginStaysRightOfTheTimesAndIsCutToTheRoomLeft) {
    TrackHeader track;
    SystemTime start{2026, 11, 0, 10, 13, 0, 0, 0};
    SystemTime end{2026, 11, 0, 10, 14, 29, 0, 0};
    ASSERT_TRUE(SystemTimeToVariantTime(start, track.stime));
    ASSERT_TRUE(SystemTimeToVariantTime(end, track.etime));
    // The times' width in the usual sans-serif face at 12 pixels, from the list's left margin:
    // "11-10 13:00~11-10 14:29" and "11-10 PM 01:00~11-10 PM 02:29".
    for (const auto& [format, timesEnd] : {std::pair{1, 159}, std::pair{0, 199}}) {
        DeviceSettings settings;
        settings.TimeFormat = format;
        for (const std::string origin : {"walk.gpx", "d4_plus6_from_the_old_unit.gpx"}) {
            ui::Canvas canvas(260, 40);
            paintTrackRow(canvas, track, origin, {0, 0, 260, 40}, false, false, settings);
            const auto [left, shown] = originOf(canvas.svg());
            EXPECT_GE(left, timesEnd) << origin;
            if (origin == "walk.gpx" && format == 1) {
                EXPECT_EQ(shown, origin);
            } else {
                EXPECT_TRUE(shown.empty() || shown.ends_with("\u2026")) << shown;
            }
        }
    }
}

}  // namespace
}  // namespace vandrel::tracks
