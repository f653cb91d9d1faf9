// The statistics panel beside the profile as a person checks it: with a calculator against
// itself and against the Speed profile, and on an imported track that lacks readings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "platform/headless/headless_renderer.h"
#include "scripted_prompt.h"
#include "store/sqlite_db.h"
#include "store/store_decoded_tracks.h"
#include "test_support.h"
#include "tracks/track_page.h"
#include "ui/browser_host.h"
#include "ui/element.h"
#include "ui/list_view.h"
#include "ui/messages.h"

namespace vandrel::tracks {
namespace {

using namespace vandrel::testing;

constexpr double kMarch10 = 40612.0;  // 2011-03-10 00:00
constexpr double kMetresPerDegree = 111195.0;

// A fix a second from 08:00 on 10 March 2011, `north` metres from the start.
TrackPoint fixAt(std::size_t second, double north, double east) {
    TrackPoint p;
    p.sdate = kMarch10 + 8.0 / 24 + static_cast<double>(second) / 86400;
    p.lat = static_cast<float>(46.0 + north / kMetresPerDegree);
    p.lng = static_cast<float>(7.0 + east / (kMetresPerDegree * std::cos(46.0 * M_PI / 180)));
    p.alt = 500;
    p.bar = 955;
    p.tmp = 8;
    return p;
}

double numberIn(const std::string& text) {
    return std::stod(text.substr(text.find_first_of("0123456789")));
}

class StatisticsPanel : public ::testing::Test {
  protected:
    // Stores the track, clicks 10 March 2011 and double-clicks the track, as a person does.
    void show(TrackHeader track) {
        session.openStore();
        std::vector<TrackHeader> tracks = {std::move(track)};
        storeDecodedTracks(session.database(), tracks, 0);
        page.setRenderLink(&renderer);
        page.init();
        ui::Element* calendar = page.document().selectFirst("widget[id='5000']");
        page.reportLocation(*calendar, {2, 26, 262, 227});
        page.RefreshTrackPage();
        page.calendar().showMonth(2011, 3);
        const ui::Rect r = page.calendar().cells()[11].rect;  // the grid starts on 27 February
        page.control(*calendar)->send(ui::WM_LBUTTONDOWN, 0,
                                      ui::makePointParam(r.left + 2, r.top + 2));
        loop.runPending();
        headless::FakeBrowser* browser =
            renderer.browser(*page.control(*page.document().selectFirst("widget[id='2000']")));
        browser->finishLoad();
        browser->callExternal("onmaploadcomplete", {});
        loop.runPending();
        auto* list = dynamic_cast<ui::ListView*>(
            page.control(*page.document().selectFirst("widget[id='6000']")));
        list->click(0, 0);
        list->send(ui::WM_LBUTTONDBLCLK, 0, ui::makePointParam(5, 5));
    }
    std::string shown(const char* id) { return page.byId(id)->text(); }

    TempDir dir;
    Session session{DataFolder(dir.path())};
    map::MapService mapService;
    ui::ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    ScriptedPrompt prompt;
    ui::DirectCommandRunner runner{prompt};
    CPageTrack page{loop, nullptr, 0, &runner, session, mapService};
};

// A walk whose pace swings between 1 and 1.8 m/s, a five-minute stop with the fixes wandering,
// and one fix 300 m off the line.
TEST_F(StatisticsPanel,
       TheAverageIsTheMovingDistanceOverTheMovingTimeAndTheMaximumTheProfilesPeak) {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> wander(-3.0, 3.0);
    TrackHeader track;
    double north = 0;
    for (std::size_t t = 0; t < 3600; ++t) {
        const bool standing = t >= 1500 && t < 1800;
        north += standing ? 0 : 1.4 + 0.4 * std::sin(static_cast<double>(t) / 200);
        track.points.push_back(standing ? fixAt(t, north + wander(random), wander(random))
                                        : fixAt(t, north, t == 900 ? 300 : 0));
    }
    show(std::move(track));
    int h = 0, m = 0, sec = 0;
    ASSERT_EQ(std::sscanf(shown("st-moving").c_str(), "%d:%d:%d", &h, &m, &sec), 3);
    const double movingHours = h + m / 60.0 + sec / 3600.0;
    const double movingKm = numberIn(shown("st-movedist"));
    ASSERT_NE(shown("st-movedist").find(" km"), std::string::npos) << shown("st-movedist");
    EXPECT_NEAR(movingKm / movingHours, numberIn(shown("st-average")), 0.05 + 0.005 / movingHours)
        << shown("st-movedist") << " in " << shown("st-moving") << " is not "
        << shown("st-average");
    EXPECT_LE(numberIn(shown("st-average")), numberIn(shown("st-max")));

    page.selectChart(4);
    const ProfileChart& chart = page.chart();
    ASSERT_EQ(chart.yTitle(), "Speed(km/h)");
    std::string peak;
    for (int i = 0; i < chart.pointCount(); ++i) {
        const std::string tip = chart.tooltipText(i);
        const std::size_t from = tip.find(" Speed:") + 7;
        const std::string speed = tip.substr(from, tip.find("\r\n") - from);
        if (peak.empty() || numberIn(speed) > numberIn(peak)) {
            peak = speed;
        }
    }
    EXPECT_EQ(shown("st-max"), peak);
}

// An imported fix list: no pressure, no temperature, the first fixes without an altitude.
TEST_F(StatisticsPanel, MissingReadingsAreLeftOutAndNothingKnownShowsADash) {
    TrackHeader track;
    for (std::size_t t = 0; t < 1800; ++t) {
        TrackPoint p = fixAt(t, 1.2 * static_cast<double>(t), 0);
        p.alt = t < 3 ? NAN : static_cast<float>(120 + 170 * t / 1799.0);
        p.bar = NAN;
        p.tmp = NAN;
        track.points.push_back(p);
    }
    show(std::move(track));
    EXPECT_EQ(shown("st-altitude"), "120 m - 290 m");
    EXPECT_EQ(shown("st-temperature"), "\u2013");
    EXPECT_NEAR(numberIn(shown("st-climb")), 170, 5);
    EXPECT_NE(shown("st-climb").find(" (GPS)"), std::string::npos) << shown("st-climb");
    EXPECT_NEAR(session.database().readTracksBetween(kMarch10, kMarch10 + 1, false)[0].avgalt, 205,
                0.5);
}

}  // namespace
}  // namespace vandrel::tracks
