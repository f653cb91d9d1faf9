// The POI page on the headless backend: what the map is told when it loads, the marker and map
// callbacks with the two popups, the address search, and the tab bar's POI commands against a
// simulated logger with scripted answers.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/program_path.h"
#include "device/poi_block.h"
#include "device/poi_file.h"
#include "flows/device_flow_fixture.h"
#include "map/map_service.h"
#include "map/map_widget.h"
#include "platform/headless/headless_renderer.h"
#include "poi/poi_page.h"
#include "ui/behavior.h"
#include "ui/browser_host.h"
#include "ui/element.h"
#include "ui/messages.h"

namespace vandrel::poi {
namespace {

namespace fs = std::filesystem;
using Calls = std::vector<headless::FakeBrowser::Call>;
using Args = std::vector<std::string>;

class PoiPageTest : public testing::DeviceFlow {
  protected:
    void SetUp() override {
        DeviceFlow::SetUp();
        page.setRenderLink(&renderer);
        page.init();
        mapHost = map::mapWidget(page);
        ASSERT_NE(mapHost, nullptr);
        browser = renderer.browser(*mapHost);
        ASSERT_NE(browser, nullptr);
        tabBar.loadHtml(
            "<div id='s2devpois'></div><div id='lfromdevpois'></div>"
            "<div id='s2pcpois'></div><div id='lfrompcpois'></div>");
    }

    void loadMap() {
        browser->finishLoad();
        browser->callExternal("onmaploadcomplete", {});
        loop.runPending();
    }
    Calls takeCalls() {
        Calls calls = std::move(browser->calls);
        browser->calls.clear();
        return calls;
    }
    std::string text(const char* id) { return page.byId(id)->text(); }
    // A button of the tab bar, which hands its clicks to the pages.
    void clickTab(const std::string& id) {
        ui::BehaviorEvent e;
        e.type = ui::BUTTON_CLICK;
        e.target = tabBar.document().selectFirst("#" + id);
        page.onBehaviorEvent(tabBar, *e.target, e);
    }
    // The cell of a popup whose value is given, chosen as the command behaviour sends it.
    void choose(const std::string& id, const std::string& value) {
        ui::Element* cell = page.document().selectFirst("[id='" + id + "'][value='" + value + "']");
        ASSERT_NE(cell, nullptr);
        ui::sendElementCommand(page, *cell, id);
    }
    const PoiSlot& slot(int i) { return page.state().pois[static_cast<std::size_t>(i)]; }

    map::MapService mapService;
    ui::ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    ui::DirectCommandRunner runner{prompt_};
    PoiPage page{loop, nullptr, 0, &runner, session_, mapService};
    ui::HtmlWindow tabBar{loop};
    ui::BrowserHost* mapHost = nullptr;
    headless::FakeBrowser* browser = nullptr;
};

TEST_F(PoiPageTest, TheLoadedMapGetsItsServicesEveryMarkerAndShowsTheFirstSlot) {
    mapService.geocoder = "http://127.0.0.1:8080/search";
    loadMap();
    EXPECT_TRUE(mapHost->isEnabled());
    const Calls calls = takeCalls();
    ASSERT_EQ(calls.size(), 24u);
    EXPECT_EQ(calls[0].function, "useTiles");
    EXPECT_EQ(calls[1].function, "useGeocoder");
    EXPECT_EQ(calls[1].args, Args{"http://127.0.0.1:8080/search"});
    EXPECT_EQ(calls[2].function, "setCenter");
    EXPECT_EQ(calls[2].args, (Args{"0.00000", "0.00000", "2"}));
    EXPECT_EQ(calls[3].function, "clrWPMarker");
    for (int i = 0; i < kPoiSlotCount; ++i) {
        const auto& call = calls[static_cast<std::size_t>(4 + i)];
        EXPECT_EQ(call.function, "addWPMarker");
        EXPECT_EQ(call.args[0], std::to_string(i));
        EXPECT_EQ(call.args[3], programPath("pois/" + std::to_string(i + 1) + ".png").string());
    }
    EXPECT_EQ(calls[4].args, (Args{"0", "0.00000", "-180.00000", calls[4].args[3]}));
    EXPECT_EQ(page.state().selectedPoi, 0);
    EXPECT_EQ(text("poiname"), "#0001");
    EXPECT_EQ(text("poilat"), "0.00000");
    EXPECT_EQ(text("poilng"), "-180.00000");
    EXPECT_EQ(page.byId("iconurl")->attribute("src"), "pois/1.png");
}

TEST_F(PoiPageTest, MarkerClicksAndDragsSelectTheirSlotKeepingPositionsTheLoggerAccepts) {
    loadMap();
    browser->callExternal("onwpmarkerclick", {"6", "0", "0"});
    EXPECT_EQ(page.state().selectedPoi, 6);
    EXPECT_EQ(text("poiname"), "#0007");
    // Dragged into the next world copy east: stored as the same place west of the date line.
    browser->callExternal("onwpmarkerupdate", {"2", "47.25", "190.5"});
    EXPECT_EQ(page.state().selectedPoi, 2);
    EXPECT_EQ(slot(2), (PoiSlot{3, 47.25f, -169.5f, 3}));
    EXPECT_EQ(text("poilat"), "47.25000");
    EXPECT_EQ(text("poilng"), "-169.50000");
    // Indexes the page has no marker for change nothing.
    const PoiSlots before = page.state().pois;
    for (const char* index : {"20", "-1", "4000000000"}) {
        browser->callExternal("onwpmarkerclick", {index, "0", "0"});
        browser->callExternal("onwpmarkerupdate", {index, "10", "10"});
        browser->callExternal("onwpmarkerrclick", {index, "100", "100"});
    }
    EXPECT_EQ(page.state().pois, before);
    EXPECT_EQ(page.state().selectedPoi, 2);
    EXPECT_TRUE(page.shownPopups().empty());
}

TEST_F(PoiPageTest, ChoosingWP05AfterAMapRightClickPlacesSlot4ThereAndKeepsTheSelection) {
    loadMap();
    page.reportLocation(*mapHost->element(), {10, 20, 900, 600});
    browser->callExternal("onwpmarkerclick", {"2", "0", "0"});
    browser->callExternal("onrclickevent", {"51.5", "-0.125", "300", "200"});
    ui::Element* table = page.byId("iconsettable");
    ASSERT_EQ(page.shownPopups(), std::vector<ui::Element*>{table});
    EXPECT_EQ(table->location().origin(), (ui::Point{310, 220})) << "the map's point in the page";
    takeCalls();
    choose("seticon", "4");
    EXPECT_EQ(slot(4), (PoiSlot{5, 51.5f, -0.125f, 5}));
    EXPECT_EQ(text("poiname"), "#0005");
    EXPECT_EQ(text("poilat"), "51.50000");
    EXPECT_EQ(page.state().selectedPoi, 2);
    const Calls calls = takeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args,
              (Args{"4", "51.50000", "-0.12500", programPath("pois/5.png").string()}));
}

TEST_F(PoiPageTest, AMarkerRightClickOpensTheIconMenuInThePageAndAnIconChangesThatPoi) {
    loadMap();
    page.reportLocation(*page.byId("mapcell"), {0, 0, 900, 600});
    page.reportLocation(*page.byId("poibar"), {0, 600, 900, 640});
    ui::Element* menu = page.byId("iconseltable");
    browser->callExternal("onwpmarkerrclick", {"8", "200", "300"});
    EXPECT_EQ(page.state().selectedPoi, 8);
    EXPECT_EQ(text("poiname"), "#0009");
    ASSERT_EQ(page.shownPopups(), std::vector<ui::Element*>{menu});
    EXPECT_EQ(menu->location().origin(), (ui::Point{224, 248}));
    // Near the map's top right corner the whole menu stays in the page: left of the point
    // and not above the page.
    page.hidePopup(*menu);
    page.document().setViewSize(900, 640);
    menu->setLocation({0, 0, 320, 130});
    browser->callExternal("onwpmarkerrclick", {"8", "880", "20"});
    EXPECT_EQ(menu->location().origin(), (ui::Point{584, 0}));

    takeCalls();
    choose("cmdicon", "23");
    EXPECT_EQ(slot(8).icon, 23);
    EXPECT_EQ(page.byId("iconurl")->attribute("src"), "pois/23.png");
    const Calls calls = takeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args[0], "8");
    EXPECT_EQ(calls[0].args[3], programPath("pois/23.png").string());
    // A value that names no picture changes nothing.
    ui::Element* cell = page.document().selectFirst("[id='cmdicon'][value='1']");
    for (const char* value : {"0", "28", "none"}) {
        cell->setAttribute("value", value);
        ui::sendElementCommand(page, *cell, "cmdicon");
    }
    EXPECT_EQ(slot(8).icon, 23);
    EXPECT_TRUE(takeCalls().empty());
}

TEST_F(PoiPageTest, ASearchSendsTheTypedTextAsDataAndItsPlaceMovesTheSelectedPoi) {
    loadMap();
    takeCalls();
    ui::Element* field = page.byId("addfind");
    ui::BehaviorEvent click;
    click.type = ui::BUTTON_CLICK;
    click.target = page.byId("search");
    page.sendBehaviorEvent(click);
    EXPECT_TRUE(takeCalls().empty()) << "an empty field is no search";
    const std::string typed = "Rue de l'\"Eglise\" </script> 5";
    page.controlValueReported(*field, ui::Value(typed));
    page.sendBehaviorEvent(click);
    Calls calls = takeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].function, "findAddress");
    EXPECT_EQ(calls[0].args, Args{typed});

    // No POI selected: the map centres on the place and marks it; no slot moves.
    page.state().selectedPoi = -1;
    const PoiSlots before = page.state().pois;
    browser->callExternal("onfind", {"48.8566", "2.3522"});
    loop.runPending();
    calls = takeCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].args, (Args{"48.85660", "2.35220", "16"}));
    EXPECT_EQ(calls[1].function, "setFindMarker");
    EXPECT_EQ(calls[1].args[2], programPath("images/find.png").string());
    EXPECT_EQ(page.state().pois, before);

    // A selected POI jumps to the place, and the bar says where it is now.
    browser->callExternal("onwpmarkerclick", {"3", "0", "0"});
    browser->callExternal("onfind", {"-33.8688", "151.2093"});
    loop.runPending();
    calls = takeCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].function, "addWPMarker");
    EXPECT_EQ(calls[1].args[0], "3");
    EXPECT_EQ(slot(3).latitude, -33.8688f);
    EXPECT_EQ(text("poilat"), "-33.86880");
    EXPECT_EQ(text("poilng"), "151.20930");
}

// The tab bar's commands ---------------------------------------------------------------------

TEST_F(PoiPageTest, SaveToDeviceAsksThenWritesTheSlotsUnderTheBusyWindow) {
    loadMap();
    browser->callExternal("onwpmarkerupdate", {"0", "-33.8688", "151.2093"});
    const auto before = blockCopy(513);
    prompt_.yesNoAnswers = {false};
    clickTab("s2devpois");
    EXPECT_EQ(blockCopy(513), before);
    EXPECT_EQ(prompt_.busyBegun, 0);

    prompt_.yesNoAnswers = {true};
    clickTab("s2devpois");
    EXPECT_EQ(prompt_.said.back(), "Upload Complete!");
    EXPECT_FALSE(prompt_.busyDuringLastNotice);
    EXPECT_EQ(prompt_.busyBegun, 1);
    EXPECT_EQ(prompt_.busyEnded, 1);
    PoiSlots onLogger = initialPoiSlots();
    poi_block::apply(block(513), onLogger);
    EXPECT_EQ(onLogger[0].latitude, -33.868801f);
    EXPECT_EQ(onLogger[0].longitude, 151.209304f);
}

TEST_F(PoiPageTest, LoadFromDeviceReplacesTheSlotsThenRedrawsAndShowsTheFirst) {
    sim::LoggerImage image;
    image.writePois({{7, 51500000, -120000, 3}});
    useImage(image);
    loadMap();
    browser->callExternal("onwpmarkerclick", {"5", "0", "0"});
    takeCalls();
    prompt_.yesNoAnswers = {true};
    clickTab("lfromdevpois");
    EXPECT_EQ(prompt_.said.back(), "Download Complete!");
    EXPECT_EQ(slot(0), (PoiSlot{1, 51.5f, -0.12f, 3}));
    EXPECT_EQ(page.state().selectedPoi, 0);
    EXPECT_EQ(text("poiname"), "#0001");
    EXPECT_EQ(text("poilat"), "51.50000");
    const Calls calls = takeCalls();
    ASSERT_EQ(calls.size(), 21u);
    EXPECT_EQ(calls[0].function, "clrWPMarker");
    EXPECT_EQ(calls[1].args[1], "51.50000");

    // Without a logger: the notice, and nothing changes.
    noLogger();
    const PoiSlots before = page.state().pois;
    prompt_.said.clear();
    prompt_.yesNoAnswers = {true};
    clickTab("lfromdevpois");
    EXPECT_TRUE(said("Device unconnect !"));
    EXPECT_FALSE(said("Download Complete!"));
    EXPECT_EQ(page.state().pois, before);
    EXPECT_TRUE(takeCalls().empty());
}

TEST_F(PoiPageTest, SaveAndLoadAPoiFileAskForTheFileAndLoadWaitsForTheMap) {
    const fs::path file = dir_ / "mine.poi";
    page.state().pois[4] = {5, 12.5f, 99.25f, 27};
    page.state().pois[0].number = 9;  // as files of other programs may number them
    prompt_.files = {};
    clickTab("s2pcpois");  // cancelled
    EXPECT_FALSE(fs::exists(file));
    prompt_.files = {file.string()};
    clickTab("s2pcpois");
    EXPECT_EQ(fs::file_size(file), kPoiFileSize);

    const PoiSlots saved = page.state().pois;
    page.state().pois = initialPoiSlots();
    prompt_.said.clear();
    prompt_.yesNoAnswers = {true};
    prompt_.files = {file.string()};
    clickTab("lfrompcpois");
    EXPECT_TRUE(prompt_.said.empty()) << "nothing is asked before the map has loaded";
    loadMap();
    prompt_.yesNoAnswers = {false};
    clickTab("lfrompcpois");
    EXPECT_EQ(page.state().pois, initialPoiSlots());
    EXPECT_EQ(prompt_.said.back(), "ask: Are you sure load POI from PC?|");
    browser->callExternal("onwpmarkerclick", {"9", "0", "0"});
    takeCalls();
    prompt_.yesNoAnswers = {true};
    clickTab("lfrompcpois");
    EXPECT_EQ(page.state().pois, saved);
    EXPECT_EQ(page.state().selectedPoi, 0);
    EXPECT_EQ(text("poiname"), "#0009");
    const Calls calls = takeCalls();
    ASSERT_EQ(calls.size(), 21u);
    EXPECT_EQ(calls[1].args[0], "0") << "every slot keeps a marker of its own";
    EXPECT_EQ(calls[9].args[0], "8");
}

}  // namespace
}  // namespace vandrel::poi
