// The whole shell on the headless backend: start-up and shutdown, the routing of every id to
// its page, page switching, the frame's buttons, the connectivity check and a download.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/main_frame.h"
#include "core/ole_date.h"
#include "core/program_path.h"
#include "device/device_volume.h"
#include "device/settings_file.h"
#include "map/map_widget.h"
#include "shell_test_support.h"
#include "store/sqlite_db.h"
#include "test_support.h"
#include "tools/sim/logger_image.h"
#include "tools/sim/memory_block_device.h"
#include "ui/behavior.h"
#include "ui/browser_host.h"
#include "ui/list_view.h"
#include "ui/resources.h"

namespace vandrel::app {
namespace {

using testing::clickId;
using testing::elementById;

class Shell : public ::testing::Test {
  protected:
    void SetUp() override {
        services.session = &session;
        services.commands = &runner;
        services.probe = &probe;
        services.frame = &desktop;
        prompt.setOwner(&frame);
        frame.setRenderLink(&renderer);
        frame.create();
        host = frame.pageHost();
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override { frame.destroy(); }

    std::string display(ui::HtmlWindow& w, const std::string& id) {
        ui::Element* e = elementById(w, id);
        return e != nullptr ? e->style("display") : "?";
    }
    void command(ui::HtmlWindow& w, const std::string& id) {
        ui::sendElementCommand(w, *elementById(w, id), id);
    }
    headless::FakeBrowser* mapOf(ui::PageWindow& page) {
        return renderer.browser(*map::mapWidget(page));
    }

    testing::TempDir dir;
    Session session{DataFolder(dir.path())};
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
    for (ui::PageWindow* page : {static_cast<ui::PageWindow*>(host->poiPage()),
                                 static_cast<ui::PageWindow*>(host->trackPage())}) {
        ASSERT_NE(mapOf(*page), nullptr);
        ASSERT_EQ(mapOf(*page)->navigations.size(), 1u);
        EXPECT_EQ(std::filesystem::path(mapOf(*page)->navigations[0]).filename(), "load.html");
    }
    EXPECT_TRUE(host->hasTimer(CONNECTIVITY_TIMER));
}

TEST_F(Shell, ShutdownSavesTheSettingsAndClosesTheDatabase) {
    session.settings.LogInterval = 17;
    frame.destroy();
    EXPECT_TRUE(std::filesystem::exists(dir / "settings.xml"));
    DeviceSettings read;
    ASSERT_TRUE(loadSettingsFile(dir / "settings.xml", read));
    EXPECT_EQ(read.LogInterval, 17);
    EXPECT_FALSE(session.database().isOpen());
    session.openStore();  // TearDown closes it again
}

TEST_F(Shell, TabBarAndPageClicksRunTheTrackPagesCommands) {
    // The track menu is hidden while the settings page shows; its buttons still reach the page.
    host->switchPage(3);
    clickId(*host, "deltrack");
    EXPECT_EQ(boxes.shown,
              (std::vector<std::string>{"Are you sure delete logs data|from device?"}));
    clickId(*host, "lfrompctrack");
    EXPECT_EQ(files.opened, 1);
    ui::PageWindow& track = *host->trackPage();
    const std::string month = elementById(track, "calendardate")->text();
    clickId(track, "lastmon");
    EXPECT_NE(elementById(track, "calendardate")->text(), month);
    clickId(track, "today");
    EXPECT_EQ(elementById(track, "calendardate")->text(), month);
}

TEST_F(Shell, IdsDifferingInCaseAndPagesOwnIdsElsewhereDoNothing) {
    elementById(*host, "deltrack")->setAttribute("id", "Deltrack");
    clickId(*host, "Deltrack");
    EXPECT_TRUE(boxes.shown.empty());
    elementById(*host->trackPage(), "funcpage2")->setAttribute("id", "Funcpage2");
    command(*host->trackPage(), "Funcpage2");
    EXPECT_NE(display(*host->trackPage(), "list2"), "block");
    elementById(*host, "tab2")->setAttribute("id", "Tab2");
    command(*host, "Tab2");
    EXPECT_EQ(host->currentPage(), 1);
}

TEST_F(Shell, TabCommandsSwitchPagesInTheTabBarAndChartsInTheTrackPage) {
    EXPECT_EQ(display(*host, "framepage1"), "");  // as the markup has it: shown
    command(*host, "tab2");
    EXPECT_EQ(host->currentPage(), 2);
    EXPECT_EQ(display(*host->trackPage(), "tab2-s"), "");  // as the markup has it: hidden
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
    ui::PageWindow& track = *host->trackPage();
    command(track, "funcpage2");
    EXPECT_FALSE(elementById(track, "funcpage1")->hasAttribute("class"));
    EXPECT_EQ(elementById(track, "funcpage2")->attribute("class"), "selected");
    EXPECT_EQ(display(track, "list1"), "none");
    EXPECT_EQ(display(track, "list2"), "block");
    EXPECT_EQ(display(track, "menu1"), "none");
    command(track, "funcpage1");
    EXPECT_EQ(display(track, "list1"), "block");
    EXPECT_EQ(elementById(track, "funcpage1")->attribute("class"), "selected");
}

TEST_F(Shell, OnlyTheTrackListsRightClickWithASelectedRowOpensTheTrackMenu) {
    ui::ListNotify rclick{nullptr, 6000, ui::NM_RCLICK, 0, -1, {}};
    host->trackPage()->send(ui::WM_NOTIFY, 6000, reinterpret_cast<std::intptr_t>(&rclick));
    ui::ListNotify other{nullptr, 6001, ui::NM_RCLICK, 0, -1, {}};
    host->trackPage()->send(ui::WM_NOTIFY, 6001, reinterpret_cast<std::intptr_t>(&other));
    EXPECT_TRUE(host->trackPage()->shownPopups().empty());
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

TEST_F(Shell, MapPagesReplaceThePlaceholdersAtTheFirstAnswerAndTilesFollowTheService) {
    loop.advance(ui::Milliseconds{1000});
    ASSERT_EQ(probe.asked.size(), 1u);
    EXPECT_EQ(probe.asked[0], "https://tile.openstreetmap.org/");
    // A question still open holds no further ones back... nor piles them up.
    loop.advance(ui::Milliseconds{3000});
    EXPECT_EQ(probe.asked.size(), 1u);
    // Not reached: the map pages load all the same and draw offline; the timer keeps asking.
    probe.answer(false);
    auto& poiNav = mapOf(*host->poiPage())->navigations;
    auto& trackNav = mapOf(*host->trackPage())->navigations;
    EXPECT_EQ(std::filesystem::path(poiNav.back()).filename(), "pmaps.html");
    EXPECT_EQ(std::filesystem::path(trackNav.back()).filename(), "tmaps.html");
    EXPECT_TRUE(host->hasTimer(CONNECTIVITY_TIMER));
    EXPECT_FALSE(host->poiPage()->state().MapsLoaded);
    // The map page reports its load; the page enables its map and names the tiles.
    headless::FakeBrowser& poiMap = *mapOf(*host->poiPage());
    poiMap.finishLoad();
    poiMap.callExternal("onmaploadcomplete", {});
    loop.runPending();
    EXPECT_TRUE(host->poiPage()->state().MapsLoaded);
    EXPECT_TRUE(map::mapWidget(*host->poiPage())->isEnabled());
    ASSERT_FALSE(poiMap.calls.empty());
    EXPECT_EQ(poiMap.calls[0].function, "useTiles");
    EXPECT_EQ(poiMap.calls[0].args[0], "https://tile.openstreetmap.org/{z}/{x}/{y}.png");
    // The service answers: the loaded page draws its tiles, and the questions end.
    loop.advance(ui::Milliseconds{1000});
    ASSERT_EQ(probe.asked.size(), 2u);
    probe.answer(true);
    EXPECT_FALSE(host->hasTimer(CONNECTIVITY_TIMER));
    EXPECT_EQ(poiMap.calls.back().function, "tilesOnline");
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
    session.volume().setDevicePath((dir / "logger.img").string());
    session.volume().setDeviceFactory(
        [volume](const std::string&) { return sim::makeMemoryBlockDevice(volume); });
    boxes.script = {testing::press(ui::VK_RETURN)};
    command(*host, "tab2");
    clickId(*host, "lfromdevtrack");
    EXPECT_EQ(boxes.shown, (std::vector<std::string>{"Download Complete!"}));
    EXPECT_EQ(session.database().scalar("select count(*) from TK;"), 2);
    EXPECT_EQ(busy.starts, 1);
    EXPECT_EQ(busy.texts.front(), "Loading");
    EXPECT_FALSE(busy.animation.running());
    EXPECT_TRUE(frame.isEnabled());
    // The track page shows the new days in its calendar.
    loop.runPending();
    const tracks::CalendarDate day = tracks::dateOf(oleDateFromUnixSeconds(1780000000));
    host->trackPage()->calendar().showMonth(day.year, day.month);
    const auto& cells = host->trackPage()->calendar().cells();
    EXPECT_TRUE(std::any_of(cells.begin(), cells.end(), [&](const tracks::CalendarCell& c) {
        return c.date == day && c.hasTrack;
    }));
}

TEST_F(Shell, DownloadWithoutALoggerSaysSo) {
    session.volume().setDevicePath((dir / "missing.img").string());
    boxes.script = {testing::press(ui::VK_ESCAPE)};
    clickId(*host, "lfromdevtrack");
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown[0], "Device unconnect !");
    EXPECT_EQ(busy.starts, 0);
}

}  // namespace
}  // namespace vandrel::app
