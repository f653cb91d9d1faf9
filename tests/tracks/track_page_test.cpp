// The track page on the headless backend: the day list a calendar click fills, a track shown
// on the map with the calls in order, the track menu and deleting tracks, the point list and
// the playback buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/program_folder_lock.h"
#include "core/program_path.h"
#include "exchange/exchange_support.h"
#include "platform/headless/headless_renderer.h"
#include "scripted_prompt.h"
#include "store/sqlite_db.h"
#include "store/track_origins.h"
#include "store/track_summary.h"
#include "test_support.h"
#include "tracks/track_page.h"
#include "ui/browser_host.h"
#include "ui/element.h"
#include "ui/list_view.h"
#include "ui/messages.h"

namespace vandrel::tracks {
namespace {

namespace fs = std::filesystem;
using namespace vandrel::testing;

void clickId(ui::HtmlWindow& w, const std::string& id) {
    ui::BehaviorEvent e;
    e.type = ui::BUTTON_CLICK;
    e.target = w.document().selectFirst("#" + id);
    w.sendBehaviorEvent(e);
}

class TrackPage : public ::testing::Test {
  protected:
    void SetUp() override {
        session.openStore();
        page.setRenderLink(&renderer);
        page.init();
        calendarElement = page.document().selectFirst("widget[id='5000']");
        page.reportLocation(*calendarElement, {2, 26, 262, 227});
        list = dynamic_cast<ui::ListView*>(
            page.control(*page.document().selectFirst("widget[id='6000']")));
        browser =
            renderer.browser(*page.control(*page.document().selectFirst("widget[id='2000']")));
        ASSERT_NE(list, nullptr);
        ASSERT_NE(browser, nullptr);
    }
    // The map page says it has loaded, as it does once its scripts have run.
    void loadMap() {
        browser->callExternal("onmaploadcomplete", {});
        loop.runPending();
        browser->calls.clear();
    }

    int storeTrack(int day, int hour, std::vector<std::string> photos = {}) {
        TrackHeader track = makeTrack(3, oleDate(2011, 3, day, hour, 0, 0));
        for (std::size_t i = 0; i < photos.size(); ++i) {
            track.points[i].pho = photos[i];
        }
        computeSummary(track);
        TrackDatabase& db = session.database();
        db.insertTrack(track);
        for (TrackPoint& p : track.points) {
            p.tkid = track.objid;
            db.insertPoint(p);
        }
        return track.objid;
    }
    // Shows March 2011 and clicks the day as the user does.
    void openDay(int day) {
        page.RefreshTrackPage();
        page.calendar().showMonth(2011, 3);
        const int cell = 1 + day;  // the grid starts on 27 February
        const ui::Rect r = page.calendar().cells()[static_cast<std::size_t>(cell)].rect;
        page.control(*calendarElement)
            ->send(ui::WM_LBUTTONDOWN, 0, ui::makePointParam(r.left + 2, r.top + 2));
        loop.runPending();
    }
    std::string trackCount() { return page.byId("tracknum")->text(); }
    std::vector<std::string> mapCalls() {
        std::vector<std::string> names;
        for (const auto& call : browser->calls) {
            names.push_back(call.function);
        }
        browser->calls.clear();
        return names;
    }
    void doubleClick(int row) {
        list->send(ui::WM_LBUTTONDBLCLK, 0, ui::makePointParam(5, row * 40 + 5));
    }
    void showFirstTrack() {
        browser->finishLoad();
        loadMap();
        list->click(0, 0);
        doubleClick(0);
        browser->calls.clear();
    }
    // The texts the control last drew, in drawing order.
    std::vector<std::string> drawnTexts(const ui::Element& widget) {
        for (auto c = renderer.changes.rbegin(); c != renderer.changes.rend(); ++c) {
            if (c->kind != ui::Change::Kind::WidgetContent || c->uid != widget.uid()) {
                continue;
            }
            std::vector<std::string> texts;
            for (std::size_t at = c->value.find("<text "); at != std::string::npos;
                 at = c->value.find("<text ", at + 1)) {
                const std::size_t from = c->value.find('>', at) + 1;
                texts.push_back(c->value.substr(from, c->value.find("</text>", from) - from));
            }
            return texts;
        }
        return {};
    }

    TempDir dir;
    Session session{DataFolder(dir.path())};
    map::MapService mapService;
    ui::ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    ScriptedPrompt prompt;
    ui::DirectCommandRunner runner{prompt};
    CPageTrack page{loop, nullptr, 0, &runner, session, mapService};
    ui::Element* calendarElement = nullptr;
    ui::ListView* list = nullptr;
    headless::FakeBrowser* browser = nullptr;
};

TEST_F(TrackPage, ADayClickListsTheDaysTracksAndCountsThem) {
    openDay(9);
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_EQ(trackCount(), "Total 0 Track");
    storeTrack(10, 8);
    openDay(10);
    EXPECT_EQ(list->rowCount(), 1);
    EXPECT_EQ(trackCount(), "Total 1 Track");
    storeTrack(11, 15);
    storeTrack(11, 9);
    storeTrack(11, 12);
    openDay(11);
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(trackCount(), "Total 3 Tracks");
    const auto& tracks = page.dayTracks();
    EXPECT_LT(tracks[0].stime, tracks[1].stime);
    EXPECT_EQ(tracks[2].points.size(), 3u);
    EXPECT_TRUE(page.calendar().cells()[1 + 11].hasTrack);
}

TEST_F(TrackPage, ShowTrackWaitsForTheMapThenDrawsTheTrackAfterClearingTheOldOne) {
    storeTrack(10, 8);
    openDay(10);
    browser->finishLoad();
    list->click(0, 0);
    doubleClick(0);
    EXPECT_TRUE(mapCalls().empty());  // the map page has not loaded
    EXPECT_EQ(page.shownTrack(), -1);

    browser->callExternal("onmaploadcomplete", {});
    loop.runPending();
    EXPECT_TRUE(page.mapsLoaded());
    ASSERT_EQ(browser->calls.size(), 2u);
    EXPECT_EQ(browser->calls[0].function, "useTiles");
    EXPECT_EQ(browser->calls[1].function, "setCenter");
    EXPECT_EQ(browser->calls[1].args, (std::vector<std::string>{"0.00000", "0.00000", "2"}));
    browser->calls.clear();
    doubleClick(0);
    ASSERT_EQ(browser->calls.size(), 5u);
    EXPECT_EQ(browser->calls[4].args[0].rfind(
                  "<?xml version=\"1.0\"?><track><point id=\"0\" lat=\"22.50000\"", 0),
              0u);
    EXPECT_EQ(mapCalls(), (std::vector<std::string>{"closeInfo", "clrTKLine", "clrPhoto", "clrCar",
                                                    "putTKLine"}));
    EXPECT_EQ(page.shownTrack(), 0);
    // The page took the line in at once: no busy window flashed.
    EXPECT_EQ(prompt.busyBegun, 0);

    // A page slow to take a long track in: the busy window shows after a moment and goes with
    // the page's answer.
    browser->answerLater = true;
    doubleClick(0);
    loop.advance(ui::Milliseconds(100));
    EXPECT_EQ(prompt.busyBegun, 0);
    loop.advance(ui::Milliseconds(150));
    EXPECT_EQ(prompt.busyBegun, 1);
    EXPECT_EQ(prompt.busyEnded, 0);
    for (const auto& answer : browser->unanswered) {
        answer();
    }
    EXPECT_EQ(prompt.busyEnded, 1);
}

TEST_F(TrackPage, ATrackOverMidnightMarksAndListsBothDays) {
    TrackHeader track = makeTrack(2, oleDate(2011, 3, 12, 23, 0, 0));
    track.points[1].sdate = oleDate(2011, 3, 13, 1, 0, 0);
    computeSummary(track);
    session.database().insertTrack(track);
    openDay(13);
    EXPECT_TRUE(page.calendar().cells()[1 + 12].hasTrack);
    EXPECT_TRUE(page.calendar().cells()[1 + 13].hasTrack);
    EXPECT_FALSE(page.calendar().cells()[1 + 14].hasTrack);
    EXPECT_EQ(list->rowCount(), 1);
}

TEST_F(TrackPage, RightClickOpensTheTrackMenuAndGpxSavesTheSelectedTrack) {
    storeTrack(10, 8);
    openDay(10);
    ui::Element* menu = page.byId("tkmenu");
    list->send(ui::WM_RBUTTONDOWN, 0, ui::makePointParam(5, 5));
    list->send(ui::WM_RBUTTONUP, 0, ui::makePointParam(5, 5));
    ASSERT_EQ(page.shownPopups(), std::vector<ui::Element*>{menu});
    const fs::path gpx = dir.path() / "out.gpx";
    prompt.files.push_back(gpx.string());
    clickId(page, "tkgpx");
    EXPECT_TRUE(page.shownPopups().empty());
    EXPECT_EQ(prompt.suggestedNames, std::vector<std::string>{"2011-03-10 08-00-00.gpx"});
    std::ifstream in(gpx);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("<name>2011-03-10 08:00:00</name>"), std::string::npos);
    EXPECT_NE(text.find("<trkpt"), std::string::npos);
    EXPECT_EQ(prompt.said.back(), "Export Complete!|Saved to " + gpx.string());
}

TEST_F(TrackPage, DeletingTwoAdjacentRowsKeepsTheShownTrackAndOnlyPhotosOfTheProgram) {
    const fs::path photos = dir.path() / "photos";
    fs::create_directories(photos);
    const fs::path inside = photos / "a.jpg";
    const fs::path outside = dir.path() / "precious.jpg";
    std::ofstream(inside) << "x";
    std::ofstream(outside) << "x";
    storeTrack(10, 8);
    storeTrack(10, 9, {inside.string(), (photos / "gone.jpg").string()});
    storeTrack(10, 10, {outside.string(), (photos / ".." / "precious.jpg").string()});
    const int kept = storeTrack(10, 11);
    openDay(10);
    browser->finishLoad();
    loadMap();
    list->click(3, 0);
    doubleClick(3);
    list->click(1, 0);
    list->click(2, ui::CONTROL_KEY_PRESSED);

    prompt.yesNoAnswers = {false};
    clickId(page, "tkdel");
    EXPECT_EQ(list->rowCount(), 4);
    {
        ProgramFolderLock other(dir.path());  // a download of another program
        ASSERT_TRUE(other.tryLock());
        prompt.yesNoAnswers = {true};
        clickId(page, "tkdel");
        EXPECT_EQ(prompt.said.back().rfind("error: Another Vandrel command is using", 0), 0u);
        EXPECT_EQ(list->rowCount(), 4);
    }
    prompt.yesNoAnswers = {true};
    clickId(page, "tkdel");
    EXPECT_EQ(prompt.said.back(), "ask: Are you sure delete logs data?|");
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(trackCount(), "Total 2 Tracks");
    EXPECT_EQ(page.dayTracks()[1].objid, kept);
    EXPECT_EQ(page.shownTrack(), 1);
    EXPECT_EQ(session.database().scalar("select count(*) from TK;"), 2);
    EXPECT_EQ(session.database().scalar("select count(*) from TKPT;"), 6);
    EXPECT_FALSE(fs::exists(inside));
    EXPECT_TRUE(fs::exists(outside));
}

// The keys reach the focused control as the renderer sends them: the calendar's arrows pick a
// day as a click does; the list's Enter shows a track and Delete asks, as its menu does.
TEST_F(TrackPage, TheCalendarsArrowsAndTheListsKeysActAsTheMouseDoes) {
    storeTrack(11, 9);
    storeTrack(11, 10);
    openDay(10);
    browser->finishLoad();
    loadMap();
    const auto key = [&](ui::Element& target, int code) {
        page.dispatchKey(ui::KeyEvent{ui::KeyEventType::Down, code, 0, &target, false});
        loop.runPending();
    };
    key(*calendarElement, ui::VK_RIGHT);
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(trackCount(), "Total 2 Tracks");
    ui::Element& rows = *list->element();
    key(rows, ui::VK_DELETE);  // nothing selected, nothing asked
    EXPECT_TRUE(prompt.said.empty());
    key(rows, ui::VK_DOWN);
    key(rows, ui::VK_RETURN);
    EXPECT_EQ(page.shownTrack(), 0);
    prompt.yesNoAnswers = {true};
    key(rows, ui::VK_DELETE);
    EXPECT_EQ(prompt.said, (std::vector<std::string>{"ask: Are you sure delete logs data?|"}));
    EXPECT_EQ(list->rowCount(), 1);
}

TEST_F(TrackPage, TheChartOfTheShownTrackTellsItsPointsAndAClickFindsThemOnTheMap) {
    storeTrack(10, 8);
    openDay(10);
    browser->finishLoad();
    loadMap();
    list->click(0, 0);
    doubleClick(0);
    ASSERT_TRUE(page.chart().built());
    ui::Element* chartElement = page.document().selectFirst("widget[id='5001']");
    page.reportLocation(*chartElement, {30, 600, 630, 780});
    ui::Window* chart = page.control(*chartElement);
    ui::Element* tip = page.byId("charttip");
    const ui::Rect plot = ProfileChart::plotArea(600, 180);
    const auto at = ui::makePointParam(plot.left + 1, plot.top + 20);  // the first point
    chart->send(ui::WM_MOUSEMOVE, ui::MK_LBUTTON, at);
    EXPECT_NE(tip->style("display"), "block");
    chart->send(ui::WM_MOUSEMOVE, 0, at);
    EXPECT_EQ(tip->style("display"), "block");
    EXPECT_EQ(tip->text().rfind("Distance:", 0), 0u);
    chart->send(ui::WM_MOUSELEAVE);
    EXPECT_EQ(tip->style("display"), "none");

    browser->calls.clear();
    chart->send(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::makePointParam(5, 5));  // outside
    chart->send(ui::WM_LBUTTONUP, 0, at);
    loop.runPending();
    EXPECT_TRUE(browser->calls.empty());
    chart->send(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, at);
    chart->send(ui::WM_LBUTTONUP, 0, at);
    loop.runPending();
    ASSERT_EQ(mapCalls(), (std::vector<std::string>{"setCenter", "showAnimationPoint"}));
}

TEST_F(TrackPage, TheDetailListDrawsThePointsOfTheShownTrackAndOnlyTheRowsAroundTheView) {
    storeTrack(10, 8);
    openDay(10);
    ui::Element* element = page.document().selectFirst("widget[id='6001']");
    auto* points = dynamic_cast<ui::ListView*>(page.control(*element));
    page.reportLocation(*element, {265, 28, 1065, 452});  // the header and 20 rows
    showFirstTrack();
    ASSERT_EQ(points->rowCount(), 3);
    std::vector<std::string> texts = drawnTexts(*element);
    ASSERT_EQ(texts.size(), 3u * 7u);  // three rows; the header is drawn apart
    EXPECT_EQ(
        std::vector<std::string>(texts.begin(), texts.begin() + 7),
        (std::vector<std::string>{"1", "2011-03-10 08:00:00", "22\u00B0 30' 0.00\"",
                                  "114\u00B0 15' 0.00\"", "100.0 m", "1013hPa", "68.90\u00B0F"}));

    // A track that fills the logger.
    TrackHeader full = makeTrack(3, oleDate(2011, 3, 12, 8, 0, 0));
    full.points.resize(49'900, full.points[0]);
    computeSummary(full);
    session.database().insertTrack(full);
    for (TrackPoint& p : full.points) {
        p.tkid = full.objid;
    }
    session.database().insertPoints(full.points);
    openDay(12);
    list->click(0, 0);
    doubleClick(0);
    ASSERT_EQ(points->rowCount(), 49'900);
    points->scrollTo(30'000 * 20);
    // The 20 visible rows and a screenful either side, from a whole piece of eight rows on,
    // placed where they lie in the scroller.
    EXPECT_EQ(points->lastPaintedRows(), 64);
    texts = drawnTexts(*element);
    ASSERT_EQ(texts.size(), 64u * 7u);
    EXPECT_EQ(texts[0], "29977");
    EXPECT_EQ(texts[24 * 7], "30001");
    EXPECT_EQ(texts[63 * 7], "30040");
    EXPECT_EQ(renderer.changes.back().top, points->headerHeight() + 29'976 * 20);

    openDay(11);
    EXPECT_EQ(points->rowCount(), 0);
}

TEST_F(TrackPage, PlaybackButtonsMoveTheCarOverTheShownTrackUntilAnotherTrackOrDayComes) {
    storeTrack(10, 8);
    openDay(10);
    page.reportLocation(*page.document().selectFirst("widget[id='2000']"), {265, 28, 1065, 628});
    browser->finishLoad();
    for (const char* id : {"onstop", "onback", "onforward", "onpause", "onplay"}) {
        clickId(page, id);
    }
    EXPECT_EQ(loop.activeTimers(), 0u);  // no track shown
    EXPECT_TRUE(mapCalls().empty());

    showFirstTrack();
    clickId(page, "onstop");
    ASSERT_EQ(mapCalls(), std::vector<std::string>{"setCar"});
    clickId(page, "onplay");
    loop.advance(ui::Milliseconds(500));
    ASSERT_EQ(browser->calls.size(), 2u);
    EXPECT_EQ(browser->calls[1].args,
              (std::vector<std::string>{"22.50010", "114.25000",
                                        programPath("images/car.png").string(), "800", "600"}));
    // The profile marks where the car is, until another track is shown.
    const ui::Element* mark = page.byId("chartmark");
    EXPECT_EQ(mark->style("display"), "block");

    doubleClick(0);  // shown again: stopped at the first point
    EXPECT_EQ(loop.activeTimers(), 0u);
    EXPECT_EQ(mark->style("display"), "none");
    clickId(page, "onplay");
    openDay(11);
    EXPECT_EQ(loop.activeTimers(), 0u);
    clickId(page, "onplay");
    EXPECT_EQ(loop.activeTimers(), 0u);
}

// Save to PC stops a replay once the file is chosen, says what it saved, and the replay's
// buttons play the shown track again; so after a load.
TEST_F(TrackPage, ASaveOrLoadStopsTheReplayWhichThenPlaysAgain) {
    storeTrack(10, 8);
    openDay(10);
    showFirstTrack();
    const std::string archive = (dir.path() / "day.prg").string();
    const auto playsAgain = [&] {
        EXPECT_EQ(loop.activeTimers(), 0u);
        mapCalls();
        clickId(page, "onplay");
        loop.advance(ui::Milliseconds(500));
        EXPECT_EQ(mapCalls(), (std::vector<std::string>{"setCar", "setCar"}));
    };
    clickId(page, "onplay");
    prompt.files = {archive};
    page.saveTracksToPc();
    EXPECT_EQ(prompt.said.back(), "Saved 1 track and 3 points to " + archive + ", 0 photos copied");
    playsAgain();

    prompt.files = {archive};
    page.loadTracksFromPc();
    EXPECT_EQ(prompt.said.back(), "0 tracks stored, 1 skipped as already stored");
    playsAgain();
}

// After a delete each row left shows where its own track came from.
TEST_F(TrackPage, AfterADeleteTheRowsKeepTheirOwnSources) {
    storeTrack(10, 8);
    storeTrack(10, 9);
    const ui::Element& rows = *list->element();
    page.reportLocation(*list->element(), {2, 300, 262, 600});
    openDay(10);
    createOriginTable(session.database());
    recordOrigin(session.database(), page.dayTracks()[1], "second.gpx");
    openDay(10);
    const auto shows = [&](const std::string& origin) {
        const std::vector<std::string> texts = drawnTexts(rows);
        return std::ranges::find(texts, origin) != texts.end();
    };
    ASSERT_TRUE(shows("second.gpx"));
    list->click(0, 0);
    prompt.yesNoAnswers = {true};
    clickId(page, "tkdel");
    ASSERT_EQ(list->rowCount(), 1);
    list->invalidate();
    EXPECT_TRUE(shows("second.gpx"));
    EXPECT_FALSE(shows("logger"));
}

// The month title opens the month and year choice: by mouse a year back and a month, by keys
// the year after with Page Down, a month on with the arrows, taken with Enter.
TEST_F(TrackPage, TheMonthTitleOpensAMonthAndYearChoiceForMouseAndKeys) {
    storeTrack(10, 8);
    openDay(10);
    const ui::Element* choice = page.byId("monthchoice");
    clickId(page, "calendardate");
    EXPECT_EQ(choice->style("display"), "block");
    EXPECT_EQ(calendarElement->style("display"), "none");
    EXPECT_EQ(page.byId("mcyear")->text(), "2011");
    loop.runPending();
    EXPECT_EQ(page.focus(), page.byId("mc3"));
    clickId(page, "mcprev");
    clickId(page, "mc7");
    EXPECT_EQ(page.byId("calendardate")->text(), "2010-07");
    EXPECT_EQ(choice->style("display"), "none");
    EXPECT_EQ(calendarElement->style("display"), "block");
    EXPECT_EQ(list->rowCount(), 1);  // the day listed stays

    const auto key = [&](int code) {
        page.dispatchKey(ui::KeyEvent{ui::KeyEventType::Down, code, 0, nullptr, false});
        loop.runPending();
    };
    page.setFocus(page.byId("calendardate"));
    key(ui::VK_RETURN);
    ASSERT_EQ(page.focus(), page.byId("mc7"));
    key(ui::VK_NEXT);
    key(ui::VK_DOWN);  // a row down: October
    key(ui::VK_RIGHT);
    key(ui::VK_RIGHT);
    key(ui::VK_RIGHT);  // past December: January of the year after
    EXPECT_EQ(page.byId("mcyear")->text(), "2012");
    key(ui::VK_RETURN);
    EXPECT_EQ(page.byId("calendardate")->text(), "2012-01");
    EXPECT_EQ(page.focus(), page.byId("calendardate"));
    key(ui::VK_RETURN);
    key(ui::VK_ESCAPE);
    EXPECT_EQ(choice->style("display"), "none");
    EXPECT_EQ(page.byId("calendardate")->text(), "2012-01");
}

// A GPX file of one track of three points starting at the given UTC time.
fs::path writeGpx(const fs::path& file, const std::string& start) {
    std::ofstream(file) << R"(<?xml version="1.0"?><gpx version="1.1" creator="t"><trk><trkseg>)"
                        << R"(<trkpt lat="22.5" lon="114.25"><time>)" << start
                        << ":00Z</time></trkpt>"
                        << R"(<trkpt lat="22.5001" lon="114.25"><time>)" << start
                        << ":05Z</time></trkpt>"
                        << R"(<trkpt lat="22.5002" lon="114.25"><time>)" << start
                        << ":10Z</time></trkpt>"
                        << "</trkseg></trk></gpx>";
    return file;
}

// Several files loaded at once: each is stored, the calendar opens on the newest track's day,
// the shown track stays on the map, and the Statistics view and the month's totals count the
// new tracks.
TEST_F(TrackPage, ALoadOfSeveralFilesOpensTheNewestMonthKeepsTheShownTrackAndCountsThem) {
    storeTrack(10, 8);
    openDay(10);
    showFirstTrack();
    page.selectView(3);
    ASSERT_EQ(page.statisticsView().year(), 2011);
    const auto tracksIn = [&](std::size_t month) {
        return page.statisticsView().chart().periods().at(month - 1).tracks;
    };
    ASSERT_EQ(tracksIn(5), 0);
    prompt.fileGroups = {{writeGpx(dir.path() / "a.gpx", "2011-05-02T09:00").string(),
                          writeGpx(dir.path() / "b.gpx", "2011-05-20T09:00").string()}};
    page.loadTracksFromPc();
    EXPECT_EQ(prompt.said.back(), "2 tracks stored");
    EXPECT_EQ(page.calendar().selectedDate(), (CalendarDate{2011, 5, 20}));
    EXPECT_EQ(page.byId("calendardate")->text(), "2011-05");
    EXPECT_EQ(list->rowCount(), 1);
    EXPECT_NE(page.byId("monthtotals")->text().find("Month: 2 tracks"), std::string::npos)
        << page.byId("monthtotals")->text();
    EXPECT_EQ(tracksIn(5), 2);
    // The shown track of 10 March is still drawn and replays.
    const std::vector<std::string> calls = mapCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "clrTKLine"), 0);
    EXPECT_EQ(page.chart().pointCount(), 3);
    clickId(page, "onplay");
    loop.advance(ui::Milliseconds(250));
    EXPECT_EQ(mapCalls(), std::vector<std::string>{"setCar"});
}

}  // namespace
}  // namespace vandrel::tracks
