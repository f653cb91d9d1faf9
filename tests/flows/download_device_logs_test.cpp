// The download flow from a simulated logger into a database, with the prompt scripted and the
// volume failing where a real one can.
#include "flows/download_device_logs.h"

#include <gtest/gtest.h>

#include "core/program_path.h"
#include "device/device_volume.h"
#include "scripted_prompt.h"
#include "store/sqlite_db.h"
#include "test_support.h"
#include "tools/sim/logger_image.h"
#include "tools/sim/memory_block_device.h"

namespace vandrel {
namespace {

class DownloadFlow : public ::testing::Test {
  protected:
    void SetUp() override {
        db_.openStore(dir_ / "Vandrel.db");
        // The program's copy says UTC+02:00.
        session_.settings.TimeZone = -120;
        volume_ = std::make_shared<sim::MemoryVolume>();
        // The path exists so that the search accepts it; the blocks come from memory.
        testing::writeFile(dir_ / "logger.img", "");
        session_.volume().setDevicePath((dir_ / "logger.img").string());
        session_.volume().setDeviceFactory(
            [this](const std::string&) { return sim::makeMemoryBlockDevice(volume_); });
    }

    // A logger at UTC+01:00, as the tracks' fixes say.
    void useImage(const std::vector<sim::SimTrack>& tracks) {
        sim::LoggerImage image;
        sim::SimSettings settings;
        settings.timeZoneEast = 60;
        image.writeSettings(settings);
        image.writeLog(tracks);
        volume_->bytes = image.bytes();
    }
    int storedTracks() { return db_.scalar("select count(*) from TK;"); }
    DownloadReport download() { return DownloadDeviceLogs(prompt_, session_); }

    testing::TempDir dir_;
    Session session_{DataFolder(dir_.path())};
    TrackDatabase& db_ = session_.database();
    std::shared_ptr<sim::MemoryVolume> volume_;
    testing::ScriptedPrompt prompt_;
};

TEST_F(DownloadFlow, StoresEveryTrackOnceWithTheLoggersTimeZone) {
    useImage(sim::generateTracks(3, 120, 1780000000, 5, 60));
    std::vector<std::string> order;
    session_.playbackStop.add([&] { order.push_back("stop"); });
    session_.tracksChanged.add([&](const TracksChange&) { order.push_back("refresh"); });

    const DownloadReport first = download();
    EXPECT_EQ(first.kind, OutcomeKind::Complete);
    EXPECT_EQ(first.stored.tracksStored, 3);
    EXPECT_EQ(first.stored.pointsStored, 360);
    EXPECT_EQ(prompt_.said, std::vector<std::string>{"Download Complete!"});
    EXPECT_FALSE(prompt_.busyDuringLastNotice);
    EXPECT_EQ(prompt_.busyBegun, 1);
    EXPECT_EQ(order, (std::vector<std::string>{"stop", "refresh"}));
    EXPECT_EQ(db_.scalar("select count(*) from TK where tzome=-60;"), 3);
    // The handshake answer went to block 11.
    EXPECT_NE(volume_->bytes[11 * 4096], 0);

    const DownloadReport second = download();
    EXPECT_EQ(second.kind, OutcomeKind::Complete);
    EXPECT_EQ(second.stored.tracksStored, 0);
    EXPECT_EQ(second.stored.tracksSkipped, 3);
    EXPECT_EQ(storedTracks(), 3);
}

TEST_F(DownloadFlow, NoLoggerLeavesTheCopiesAndTheDatabaseAlone) {
    useImage(sim::generateTracks(1, 10, 1780000000, 5, 0));
    testing::writeFile(dir_ / "temp.hdr", "old");
    volume_->refuseOpen = true;
    EXPECT_EQ(download().kind, OutcomeKind::NoDevice);
    ASSERT_FALSE(prompt_.said.empty());
    EXPECT_EQ(prompt_.said[0], "Device unconnect !");
    EXPECT_EQ(testing::readFile(dir_ / "temp.hdr"), "old");
    EXPECT_EQ(prompt_.busyBegun, 0);
}

TEST_F(DownloadFlow, EmptyLogSaysSoWithoutTheBusyWindow) {
    sim::LoggerImage image;
    volume_->bytes = image.bytes();
    EXPECT_EQ(download().kind, OutcomeKind::NoLogRecords);
    EXPECT_EQ(prompt_.said, std::vector<std::string>{"No log records!"});
    EXPECT_EQ(prompt_.busyBegun, 0);
}

TEST_F(DownloadFlow, AFailedBlockReadDuringTheCopyStoresNothing) {
    useImage(sim::generateTracks(2, 200, 1780000000, 5, 0));
    // Connect reads 1 and writes 1 block, the presence test reads 1, the settings read 1; the
    // copy starts at 5.
    for (int failing : {5, 6, 101, 323}) {
        volume_->transfers = 0;
        volume_->failAtTransfer = failing;
        prompt_.said.clear();
        const DownloadReport report = download();
        EXPECT_EQ(report.kind, OutcomeKind::Failed) << failing;
        EXPECT_EQ(storedTracks(), 0);
        ASSERT_FALSE(prompt_.said.empty());
        EXPECT_EQ(prompt_.said.back().rfind("error: ", 0), 0u) << prompt_.said.back();
        EXPECT_EQ(prompt_.busyBegun, prompt_.busyEnded);
    }
    volume_->failAtTransfer = 0;
    EXPECT_EQ(download().kind, OutcomeKind::Complete);
    EXPECT_EQ(storedTracks(), 2);
}

TEST_F(DownloadFlow, ADatabaseFailureMidwayRollsTheWholeDownloadBack) {
    useImage(sim::generateTracks(3, 100, 1780000000, 5, 0));
    db_.execute(
        "create trigger fail_late before insert on TKPT when (select count(*) from TKPT) >= 150 "
        "begin select raise(abort, 'disk full'); end;");
    const DownloadReport report = download();
    EXPECT_EQ(report.kind, OutcomeKind::Failed);
    EXPECT_NE(report.error.find("disk full"), std::string::npos) << report.error;
    EXPECT_EQ(storedTracks(), 0);
    EXPECT_EQ(db_.scalar("select count(*) from TKPT;"), 0);
    // The transaction is closed: the database takes new work.
    db_.execute("drop trigger fail_late;");
    EXPECT_EQ(download().kind, OutcomeKind::Complete);
    EXPECT_EQ(storedTracks(), 3);
}

}  // namespace
}  // namespace vandrel
