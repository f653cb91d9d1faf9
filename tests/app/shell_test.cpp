// The whole shell on the headless backend: start-up and shutdown, the routing of every id to
// its page, page switching, the frame's buttons, the connectivity check and a download.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/main_frame.h"
#include "core/program_path.h"
#include "device/device_volume.h"
#include "device/settings_file.h"
#include "flows/app_data.h"
#include "flows/refresh_listeners.h"
#include "shell_test_support.h"
#include "store/sqlite_db.h"
#include "test_support.h"
#include "tools/sim/logger_image.h"
#include "tools/sim/memory_block_device.h"
#include "ui/behavior.h"
#include "ui/list_view.h"
#include "ui/resources.h"

namespace vandrel::app {
namespace {

using testing::clickId;
using testing::elementById;

class Shell : public ::testing::Test {
  protected:
    void SetUp() override {
        setProgramFolder(dir.path());
        AppData::instance() = AppData{};
        RefreshListeners::instance().clear();
        services.commands = &runner;
        services.probe = &probe;
        services.frame = &desktop;
        prompt.setOwner(&frame);
        frame.setRenderLink(&renderer);
        frame.create();
        host = frame.pageHost();
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override {
        frame.destroy();
        RefreshListeners::instance().clear();
        DeviceVolume::instance().reset();
        setProgramFolder({});
    }

    std::string display(ui::HtmlWindow& w, const std::string& id) {
        ui::Element* e = elementById(w, id);
        return e != nullptr ? e->style("display") : "?";
    }
    void command(ui::HtmlWindow& w, const std::string& id) {
        ui::sendElementCommand(w, *elementById(w, id), id);
    }
    headless::FakeBrowser* mapOf(PageWindow& page) { return renderer.browser(*page.map()); }

    testing::TempDir dir;
    ui::ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    testing::ScriptedBoxes boxes{loop};
    testing::NoFiles files;
    testing::RecordingBusy busy{loop};
    GuiPrompt prompt{boxes, files, busy};
    DirectCommandRunner runner{prompt};
    testing::FakeProbe probe;
    testing::FakeDesktop desktop;
    ShellServices services;
    MainFrame frame{loop, services};
    PageHost* host = nullptr;
};

TEST_F(Shell, StartsWithTheDatabaseThePagesThePlaceholdersAndTheTimer) {
    EXPECT_TRUE(std::filesystem::exists(dir / "Vandrel.db"));
    ASSERT_NE(host->poiPage(), nullptr);
    ASSERT_NE(host->trackPage(), nullptr);
    ASSERT_NE(host->settingsPage(), nullptr);
    EXPECT_NE(elementById(frame, "caption"), nullptr);
    EXPECT_NE(elementById(*host, "lfromdevtrack"), nullptr);
    EXPECT_NE(elementById(*host->poiPage(), "iconseltable"), nullptr);
    EXPECT_NE(elementById(*host->trackPage(), "tkmenu"), nullptr);
    EXPECT_NE(elementById(*host->settingsPage(), "onsetssave"), nullptr);
    for (PageWindow* page :
         {static_cast<PageWindow*>(host->poiPage()), static_cast<PageWindow*>(host->trackPage())}) {
        ASSERT_NE(mapOf(*page), nullptr);
        ASSERT_EQ(mapOf(*page)->navigations.size(), 1u);
        EXPECT_EQ(std::filesystem::path(mapOf(*page)->navigations[0]).filename(), "load.html");
    }
    EXPECT_TRUE(host->hasTimer(CONNECTIVITY_TIMER));
    EXPECT_EQ(RefreshListeners::instance().size(), 1u);
}

TEST_F(Shell, ShutdownSavesTheSettingsAndClosesTheDatabase) {
    AppData::instance().settings.LogInterval = 17;
    frame.destroy();
    EXPECT_TRUE(std::filesystem::exists(dir / "settings.xml"));
    DeviceSettings read;
    ASSERT_TRUE(loadSettingsFile(dir / "settings.xml", read));
    EXPECT_EQ(read.LogInterval, 17);
    EXPECT_FALSE(TrackDatabase::instance().isOpen());
    TrackDatabase::instance().openStore();  // TearDown closes it again
}

TEST_F(Shell, EveryClickReachesThePageThatKnowsItsId) {
    const std::vector<std::string> tabBarPoi = {"s2devpois", "lfromdevpois", "s2pcpois",
                                                "lfrompcpois"};
    const std::vector<std::string> tabBarTrack = {"lfrompctrack", "s2pctrack", "deltrack"};
    // The POI menu is hidden while the settings page shows; its buttons still reach the POI page.
    host->switchPage(3);
    for (const auto& id : tabBarPoi) {
        clickId(*host, id);
    }
    for (const auto& id : tabBarTrack) {
        clickId(*host, id);
    }
    clickId(*host, "comport");
    clickId(*host->poiPage(), "search");
    const std::vector<std::string> trackIds = {"lastmon", "nextmon",   "today",  "tkkmz",
                                               "tkgpx",   "tkdel",     "onback", "onplay",
                                               "onpause", "onforward", "onstop"};
    for (const auto& id : trackIds) {
        clickId(*host->trackPage(), id);
    }
    const std::vector<std::string> settingsIds = {"onsetssave", "tzhour", "tzmin",
                                                  "bkfsel",     "bksave", "onbinfile",
                                                  "onupdate",   "mtype",  "etype"};
    for (const auto& id : settingsIds) {
        clickId(*host->settingsPage(), id);
    }
    std::vector<std::string> poi = tabBarPoi;
    poi.push_back("search");
    EXPECT_EQ(host->poiPage()->reached(), poi);
    std::vector<std::string> track = tabBarTrack;
    track.insert(track.end(), trackIds.begin(), trackIds.end());
    EXPECT_EQ(host->trackPage()->reached(), track);
    EXPECT_EQ(host->settingsPage()->reached(), settingsIds);
}

TEST_F(Shell, IdsDifferingInCaseAndPagesOwnIdsElsewhereDoNothing) {
    elementById(*host, "s2devpois")->setAttribute("id", "S2devpois");
    clickId(*host, "S2devpois");
    elementById(*host->trackPage(), "funcpage2")->setAttribute("id", "Funcpage2");
    command(*host->trackPage(), "Funcpage2");
    elementById(*host, "tab2")->setAttribute("id", "Tab2");
    command(*host, "Tab2");
    EXPECT_TRUE(host->poiPage()->reached().empty());
    EXPECT_TRUE(host->trackPage()->reached().empty());
    EXPECT_EQ(host->trackPage()->currentView(), 1);
    EXPECT_EQ(host->currentPage(), 1);
}

TEST_F(Shell, TabCommandsSwitchPagesInTheTabBarAndChartsInTheTrackPage) {
    EXPECT_EQ(display(*host, "framepage1"), "");  // as the markup has it: shown
    command(*host, "tab2");
    EXPECT_EQ(host->currentPage(), 2);
    EXPECT_EQ(host->trackPage()->currentChart(), 1);
    for (auto [id, shown] :
         std::vector<std::pair<std::string, std::string>>{{"tab1", "block"},
                                                          {"tab1-s", "none"},
                                                          {"menu1", "none"},
                                                          {"framepage1", "none"},
                                                          {"tab2", "none"},
                                                          {"tab2-s", "block"},
                                                          {"menu2", "block"},
                                                          {"framepage2", "block"}}) {
        EXPECT_EQ(display(*host, id), shown) << id;
    }
    command(*host->trackPage(), "tab2");
    EXPECT_EQ(host->currentPage(), 2);
    EXPECT_EQ(host->trackPage()->currentChart(), 2);
    EXPECT_EQ(display(*host->trackPage(), "tab2-s"), "block");
    EXPECT_EQ(display(*host->trackPage(), "tab1-s"), "none");
    // Switching to the page shown leaves it shown.
    command(*host, "tab2");
    EXPECT_EQ(display(*host, "framepage2"), "block");
    EXPECT_EQ(display(*host, "tab2"), "none");
    command(*host, "tab3");
    EXPECT_EQ(display(*host, "framepage3"), "block");
    EXPECT_EQ(display(*host, "framepage2"), "none");
}

TEST_F(Shell, TheViewTabsMoveTheSelectionAndShowTheirList) {
    CPageTrack& track = *host->trackPage();
    command(track, "funcpage2");
    EXPECT_EQ(track.currentView(), 2);
    EXPECT_FALSE(elementById(track, "funcpage1")->hasAttribute("class"));
    EXPECT_EQ(elementById(track, "funcpage2")->attribute("class"), "selected");
    EXPECT_EQ(display(track, "list1"), "none");
    EXPECT_EQ(display(track, "list2"), "block");
    EXPECT_EQ(display(track, "menu1"), "none");
    command(track, "funcpage1");
    EXPECT_EQ(display(track, "list1"), "block");
    EXPECT_EQ(elementById(track, "funcpage1")->attribute("class"), "selected");
}

TEST_F(Shell, PageMessagesReachTheirPages) {
    host->poiPage()->send(ui::MSG_MAP_FOUND);
    command(*host->poiPage(), "cmdicon");
    host->trackPage()->send(ui::MSG_CHART_CLICK);
    ui::ListNotify rclick{nullptr, 6000, ui::NM_RCLICK, 0};
    host->trackPage()->send(ui::WM_NOTIFY, 6000, reinterpret_cast<std::intptr_t>(&rclick));
    ui::ListNotify other{nullptr, 6001, ui::NM_RCLICK, 0};
    host->trackPage()->send(ui::WM_NOTIFY, 6001, reinterpret_cast<std::intptr_t>(&other));
    EXPECT_EQ(host->poiPage()->reached(),
              (std::vector<std::string>{"message 2026", "command cmdicon"}));
    EXPECT_EQ(host->trackPage()->reached(),
              (std::vector<std::string>{"message 3024", "track menu"}));
}

TEST_F(Shell, CaptionButtonsMaximiseToTheWorkAreaAndRestoreTheLastRectangle) {
    frame.windowMoved({340, 90, 1260, 810});
    frame.post(ui::WM_FRAME_MAXRESTORE, 0,
               reinterpret_cast<std::intptr_t>(elementById(frame, "maximize")));
    loop.runPending();
    EXPECT_TRUE(frame.maximised());
    ASSERT_EQ(desktop.moves.size(), 1u);
    EXPECT_EQ(desktop.moves[0], (ScreenRect{0, 0, 1600, 860}));
    EXPECT_EQ(display(frame, "restore"), "block");
    EXPECT_EQ(display(frame, "maximize"), "none");
    frame.windowMoved({0, 0, 1600, 860});  // moves while maximised are not kept
    clickId(frame, "restore");
    loop.runPending();
    EXPECT_FALSE(frame.maximised());
    EXPECT_EQ(desktop.moves.back(), (ScreenRect{340, 90, 1260, 810}));
    clickId(frame, "minimize");
    clickId(frame, "close");
    loop.runPending();
    EXPECT_EQ(desktop.minimized, 1);
    EXPECT_EQ(desktop.closed, 1);
}

TEST_F(Shell, HitTestUsesTheFramePagesLayout) {
    elementById(frame, "body")->setLocation({0, 0, 920, 720});
    elementById(frame, "caption")->setLocation({26, 3, 840, 25});
    elementById(frame, "icon")->setLocation({3, 3, 23, 23});
    EXPECT_EQ(frame.hitTest({300, 10}), FrameHit::Caption);
    EXPECT_EQ(frame.hitTest({10, 10}), FrameHit::SystemMenu);
    EXPECT_EQ(frame.hitTest({1, 8}), FrameHit::TopLeft);
    EXPECT_EQ(frame.hitTest({1, 18}), FrameHit::Left);
    EXPECT_EQ(frame.hitTest({400, 400}), FrameHit::Client);
    clickId(frame, "maximize");
    loop.runPending();
    EXPECT_EQ(frame.hitTest({300, 10}), FrameHit::Client);
    EXPECT_EQ(frame.hitTest({1, 8}), FrameHit::Client);
}

TEST_F(Shell, MapsReplaceThePlaceholdersAtTheFirstAnswerOfTheMapService) {
    loop.advance(ui::Milliseconds{1000});
    ASSERT_EQ(probe.asked.size(), 1u);
    EXPECT_EQ(probe.asked[0], kMapServiceProbe);
    // A question still open holds no further ones back... nor piles them up.
    loop.advance(ui::Milliseconds{3000});
    EXPECT_EQ(probe.asked.size(), 1u);
    probe.answer(false);
    EXPECT_FALSE(AppData::instance().MapsLoaded);
    EXPECT_TRUE(host->hasTimer(CONNECTIVITY_TIMER));
    loop.advance(ui::Milliseconds{1000});
    ASSERT_EQ(probe.asked.size(), 2u);
    probe.answer(true);
    EXPECT_TRUE(AppData::instance().MapsLoaded);
    EXPECT_FALSE(host->hasTimer(CONNECTIVITY_TIMER));
    auto& poiNav = mapOf(*host->poiPage())->navigations;
    auto& trackNav = mapOf(*host->trackPage())->navigations;
    EXPECT_EQ(std::filesystem::path(poiNav.back()).filename(), "pmaps.html");
    EXPECT_EQ(std::filesystem::path(trackNav.back()).filename(), "tmaps.html");
    // The map page reports its load; the page enables its map.
    mapOf(*host->poiPage())->callExternal("onmaploadcomplete", {});
    loop.runPending();
    EXPECT_EQ(host->poiPage()->reached(), (std::vector<std::string>{"message 4025"}));
    EXPECT_TRUE(host->poiPage()->map()->isEnabled());
    loop.advance(ui::Milliseconds{5000});
    EXPECT_EQ(probe.asked.size(), 2u);
    EXPECT_EQ(poiNav.size(), 2u);
}

TEST_F(Shell, DownloadFromTheTrackMenuStoresTheTracksAndSaysSo) {
    auto volume = std::make_shared<sim::MemoryVolume>();
    sim::LoggerImage image;
    image.writeLog(sim::generateTracks(2, 50, 1780000000, 5, 0));
    volume->bytes = image.bytes();
    testing::writeFile(dir / "logger.img", "");
    DeviceVolume::instance().reset();
    DeviceVolume::instance().setDevicePath((dir / "logger.img").string());
    DeviceVolume::instance().setDeviceFactory(
        [volume](const std::string&) { return sim::makeMemoryBlockDevice(volume); });
    boxes.script = {testing::press(ui::VK_RETURN)};
    command(*host, "tab2");
    clickId(*host, "lfromdevtrack");
    EXPECT_EQ(boxes.shown, (std::vector<std::string>{"Download Complete!"}));
    EXPECT_EQ(TrackDatabase::instance().scalar("select count(*) from TK;"), 2);
    EXPECT_EQ(busy.starts, 1);
    EXPECT_EQ(busy.texts.front(), "Loading");
    EXPECT_FALSE(busy.animation.running());
    EXPECT_TRUE(frame.isEnabled());
    EXPECT_EQ(host->trackPage()->refreshes(), 1);
}

TEST_F(Shell, DownloadWithoutALoggerSaysSo) {
    DeviceVolume::instance().reset();
    DeviceVolume::instance().setDevicePath((dir / "missing.img").string());
    boxes.script = {testing::press(ui::VK_ESCAPE)};
    clickId(*host, "lfromdevtrack");
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown[0], "Device unconnect !");
    EXPECT_EQ(busy.starts, 0);
}

}  // namespace
}  // namespace vandrel::app
