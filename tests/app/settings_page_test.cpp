// The settings page on the headless backend: the form filled from the program's settings, the
// time-zone cell and unit label following the form, Save, the backup and firmware buttons, and
// the maps added.
#include <gtest/gtest.h>

#include "app/settings_page.h"
#include "core/program_path.h"
#include "core/units.h"
#include "device/device_volume.h"
#include "device/settings_file.h"
#include "map/map_sources.h"
#include "mbtiles_maker.h"
#include "platform/headless/headless_renderer.h"
#include "scripted_prompt.h"
#include "store/sqlite_db.h"
#include "test_support.h"
#include "tools/sim/logger_image.h"
#include "ui/element.h"
#include "ui/form_values.h"

namespace vandrel::app {
namespace {

using namespace vandrel::testing;

class SettingsForm : public ::testing::Test {
  protected:
    void SetUp() override { session.useDevice((dir.path() / "no-logger.img").string()); }
    void open(const DeviceSettings& settings) {
        session.settings = settings;
        page.setRenderLink(&renderer);
        page.init();
    }
    std::string field(const char* name) {
        ui::FormValues values;
        ui::collectFormValues(page.document().root(), values);
        const ui::Value* v = values.find(name);
        return v != nullptr ? v->toString() : "?";
    }
    ui::Element& named(const std::string& name) {
        return *page.document().selectFirst("[name='" + name + "']");
    }
    std::string text(const char* id) { return page.byId(id)->text(); }
    void click(const char* id) {
        ui::BehaviorEvent e;
        e.type = ui::BUTTON_CLICK;
        e.target = page.byId(id);
        page.sendBehaviorEvent(e);
    }

    TempDir dir;
    Session session{DataFolder(dir.path())};
    ui::ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    ScriptedPrompt prompt;
    ui::DirectCommandRunner runner{prompt};
    SettingsPage page{loop, nullptr, 0, &runner, session};
};

TEST_F(SettingsForm, ShowsTheProgramsSettingsOnlyOnceFilled) {
    DeviceSettings s;
    s.TimeZone = -330;  // UTC+05:30
    s.Length = 1;
    s.Refbar = 30.48f;
    s.Temperature = 0;
    s.Tnttbar = 2;
    s.LogInterval = 9999;
    open(s);
    EXPECT_EQ(page.byId("settings")->style("visibility"), "visible");
    EXPECT_EQ(field("tzhour"), "-5");
    EXPECT_EQ(field("tzmin"), "30");
    EXPECT_EQ(text("timezone"), "UTC+05:30");
    EXPECT_EQ(field("lhtype"), "1");
    EXPECT_EQ(field("tptype"), "0");
    EXPECT_EQ(field("inttbar"), "2");
    EXPECT_EQ(field("logint"), "9999");
    EXPECT_EQ(field("altoffset"), "100.0");
    EXPECT_EQ(text("altoffset"), "ft");
    EXPECT_EQ(page.readSettingsForm(), s);
}

TEST_F(SettingsForm, TheZoneCellFollowsTheSelectAndTheUnitLabelLeavesTheNumber) {
    open(DeviceSettings{});
    page.controlValueReported(named("tzhour"), ui::Value(std::string("3")));
    page.controlValueReported(named("tzmin"), ui::Value(std::string("30")));
    EXPECT_EQ(text("timezone"), "UTC-03:30");
    EXPECT_EQ(page.readSettingsForm().TimeZone, 210);
    page.controlValueReported(named("tzhour"), ui::Value(std::string("0")));
    EXPECT_EQ(page.readSettingsForm().TimeZone, -30);
    page.controlValueReported(named("altoffset"), ui::Value(std::string("100.0")));
    click("etype");
    EXPECT_EQ(text("altoffset"), "ft");
    EXPECT_EQ(field("altoffset"), "100.0");
    click("mtype");
    EXPECT_EQ(text("altoffset"), "m");
}

TEST_F(SettingsForm, SaveKeepsTheFormInTheProgramAndFileAndTellsThePagesOnce) {
    open(DeviceSettings{});
    int refreshed = 0;
    session.tracksChanged.add([&](const TracksChange&) { ++refreshed; });
    ui::setValue(named("lhtype"), ui::Value(1));  // as the click on the radio does
    click("etype");
    page.controlValueReported(named("logint"), ui::Value(std::string("5")));
    click("onsetssave");
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(prompt.said.front(), "Device unconnect!");
    EXPECT_EQ(session.settings.LogInterval, 5);
    EXPECT_EQ(FormatDistance(1610, session.settings),
              "1.00 mi");  // the track page draws in the new units
    DeviceSettings saved;
    ASSERT_TRUE(loadSettingsFile(dir.path() / "settings.xml", saved));
    EXPECT_EQ(saved, session.settings);
}

// Opening the page reads the logger: its settings fill the form and become the program's when
// they differ from those shown; an edit stays while the logger's settings stand; the line above
// the form says which settings it shows.
TEST_F(SettingsForm, OpeningThePageShowsTheLoggersOwnSettingsAndSaysWhose) {
    open(DeviceSettings{});
    page.readLoggerSettings();
    EXPECT_EQ(text("setsource")
                  .rfind("The program's saved settings: the logger's settings were "
                         "not read (",
                         0),
              0u)
        << text("setsource");
    EXPECT_EQ(page.byId("setsource")->attribute("class"), "notread");

    // A logger at UTC+02:00 that logs every 5 s and turns its backlight off after 5 min.
    sim::LoggerImage image;
    sim::SimSettings logger;
    logger.timeZoneEast = 120;
    logger.logInterval = 5;
    logger.backlight = 1;
    image.writeSettings(logger);
    const std::string bytes(image.bytes().begin(), image.bytes().end());
    const auto device = dir.path() / "logger.img";
    writeFile(device, bytes);
    session.useDevice(device.string());
    int refreshed = 0;
    session.tracksChanged.add([&](const TracksChange&) { ++refreshed; });
    page.readLoggerSettings();
    EXPECT_EQ(text("setsource"), "The logger's settings, read from " + device.string() + ".");
    EXPECT_EQ(page.byId("setsource")->attribute("class"), "logger");
    EXPECT_EQ(field("tzhour"), "-2");
    EXPECT_EQ(text("timezone"), "UTC+02:00");
    EXPECT_EQ(field("logint"), "5");
    EXPECT_EQ(field("bklightoff"), "1");
    EXPECT_EQ(session.settings.TimeZone, -120);
    EXPECT_EQ(refreshed, 1);  // the track page redraws in the logger's units and clock
    DeviceSettings saved;
    ASSERT_TRUE(loadSettingsFile(dir.path() / "settings.xml", saved));
    EXPECT_EQ(saved, session.settings);

    page.controlValueReported(named("logint"), ui::Value(std::string("9")));
    page.readLoggerSettings();
    EXPECT_EQ(field("logint"), "9");
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(readFile(device), bytes);  // read, never written
}

TEST_F(SettingsForm, BackupAndFirmwareButtonsAskForTheirFilesAndRunTheirCommands) {
    session.openStore();
    open(DeviceSettings{});
    click("bksave");
    click("onupdate");
    EXPECT_EQ(prompt.said, (std::vector<std::string>{"Please select a backup file!",
                                                     "Please select a update file!"}));
    click("onbinfile");  // cancelled: the field stays empty
    EXPECT_EQ(field("binfile"), "");
    const std::string archive = (dir.path() / "all.prg").string();
    prompt.files.push_back(archive);
    click("bkfsel");
    EXPECT_EQ(field("bkfile"), archive);
    click("bksave");
    EXPECT_EQ(prompt.said.back(), "Backup Complete!");
    EXPECT_TRUE(std::filesystem::exists(archive));
    session.closeStore();
}

TEST_F(SettingsForm, TheMapsPartAddsFilesAndServicesAndRefusesWhatIsNoMap) {
    map::MapService service;
    service.sources = std::make_shared<map::MapSources>(service, dir / "mapsources.xml");
    open(DeviceSettings{});
    page.setMapService(&service);
    EXPECT_EQ(text("maplist"), "OpenStreetMap, OpenTopoMap");

    writeFile(dir / "notes.mbtiles", "not a map");
    prompt.files.push_back((dir / "notes.mbtiles").string());
    click("addmapfile");
    ASSERT_EQ(prompt.said.size(), 1u);
    EXPECT_NE(prompt.said[0].find("is not an offline map file (MBTiles)"), std::string::npos);
    ASSERT_TRUE(writeMbtiles(dir / "alps.mbtiles", {{"name", "Alps"}}, {}));
    prompt.files.push_back((dir / "alps.mbtiles").string());
    click("addmapfile");

    ui::FormValues values;
    values.set("mapname", ui::Value(std::string("Hiking")));
    values.set("maptiles", ui::Value(std::string("https://tiles.example/{z}/{x}.png")));
    ui::applyFormValues(page.document().root(), values);
    click("addmapservice");
    ASSERT_EQ(prompt.said.size(), 2u);
    EXPECT_NE(prompt.said[1].find("needs {z}, {x} and {y}"), std::string::npos);
    values.set("maptiles", ui::Value(std::string("https://tiles.example/{z}/{x}/{y}.png")));
    ui::applyFormValues(page.document().root(), values);
    click("addmapservice");
    EXPECT_EQ(prompt.said.size(), 2u);
    EXPECT_EQ(text("maplist"), "OpenStreetMap, OpenTopoMap, Alps, Hiking");
    // Kept for the next start.
    map::MapSources again(service, dir / "mapsources.xml");
    EXPECT_NE(again.find("Alps"), nullptr);
    ASSERT_NE(again.find("Hiking"), nullptr);
    EXPECT_EQ(again.find("Hiking")->maxZoom, 19);
}

}  // namespace
}  // namespace vandrel::app
