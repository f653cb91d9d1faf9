// Sessions: two program folders, each with its own logger, database and settings, used side
// by side in one process; and the notices a session hands to the pages.
#include "flows/session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/settings_file.h"
#include "flows/download_device_logs.h"
#include "scripted_prompt.h"
#include "store/sqlite_db.h"
#include "test_support.h"
#include "tools/sim/logger_image.h"

namespace vandrel {
namespace {

// A program folder with a logger image of `tracks` tracks at UTC+`zoneHours`.
struct Program {
    Program(int tracks, int zoneHours) {
        sim::LoggerImage image;
        sim::SimSettings settings;
        settings.timeZoneEast = zoneHours * 60;
        image.writeSettings(settings);
        image.writeLog(sim::generateTracks(tracks, 30, 1780000000, 5, zoneHours * 60));
        testing::writeFile(dir.path() / "logger.img",
                           std::string(image.bytes().begin(), image.bytes().end()));
        session.useDevice((dir.path() / "logger.img").string());
        session.openStore(true);
        session.tracksChanged.add([this](const TracksChange&) { ++changes; });
    }

    testing::TempDir dir;
    Session session{DataFolder(dir.path())};
    testing::ScriptedPrompt prompt;
    int changes = 0;
};

TEST(Session, TwoProgramFoldersLiveSideBySide) {
    Program first(2, 1);
    Program second(3, -4);
    ASSERT_TRUE(DownloadDeviceLogs(first.prompt, first.session).complete());
    ASSERT_TRUE(DownloadDeviceLogs(second.prompt, second.session).complete());
    // Each folder holds its own logger's tracks, stamped with its own logger's time zone.
    EXPECT_EQ(first.session.database().scalar("select count(*) from TK where tzome=-60;"), 2);
    EXPECT_EQ(second.session.database().scalar("select count(*) from TK where tzome=240;"), 3);
    for (const Program* p : {&first, &second}) {
        DeviceSettings saved;
        ASSERT_TRUE(loadSettingsFile(p->dir.path() / "settings.xml", saved));
        EXPECT_EQ(saved, p->session.settings);
        EXPECT_EQ(p->changes, 1);
    }
    EXPECT_EQ(first.session.settings.TimeZone, -60);
    EXPECT_EQ(second.session.settings.TimeZone, 240);
    // One folder's database stays its own while the other downloads again.
    first.session.database().beginImmediateTransaction();
    EXPECT_TRUE(DownloadDeviceLogs(second.prompt, second.session).complete());
    first.session.database().rollbackTransaction();
}

TEST(Session, NoticesRunInOrderAndSurviveListenersAddedWhileNotifying) {
    Session session{DataFolder(testing::TempDir().path())};
    std::vector<std::string> calls;
    session.playbackStop.add([&] { calls.push_back("track page"); });
    session.playbackStop.add({});  // an empty callback is not kept
    session.playbackStop.add([&] {
        calls.push_back("adds more");
        // Enough to move the list's storage while it is being walked.
        for (int i = 0; i < 64; ++i) {
            session.playbackStop.add([&] { calls.push_back("late"); });
        }
    });
    session.playbackStop.notify();
    EXPECT_EQ(calls, (std::vector<std::string>{"track page", "adds more"}));
    calls.clear();
    session.playbackStop.notify();
    EXPECT_EQ(calls.size(), 2u + 64);
}

}  // namespace
}  // namespace vandrel
