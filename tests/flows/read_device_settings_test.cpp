// The logger's own settings read into the program's copy, over a simulated logger set up unlike
// the program's defaults (UTC+02:00, a fix every 5 s, backlight off after 5 min): what is taken,
// what is refused, that a read writes nothing to the logger, and that a download stamps its
// tracks with the logger's time zone so that their GPX times are UTC.
#include <gtest/gtest.h>

#include "device/settings_file.h"
#include "device_flow_fixture.h"
#include "exchange/gpx_export.h"
#include "exchange/stored_tracks.h"
#include "flows/download_device_logs.h"
#include "flows/read_device_settings.h"

namespace vandrel {
namespace {

constexpr int64_t kStartUtc = 1780000000;  // 2026-05-28 20:26:40 UTC

class ReadSettingsFlow : public testing::DeviceFlow {
  protected:
    void SetUp() override {
        DeviceFlow::SetUp();
        sim::SimSettings logger;
        logger.timeZoneEast = 120;  // UTC+02:00
        logger.logInterval = 5;
        logger.backlight = 1;  // 5 min
        image_.writeSettings(logger);
        useImage(image_);
        // The program's copy as at a first start somewhere else: UTC-05:00 and the defaults.
        copy_.TimeZone = 300;
    }
    std::optional<DeviceSettings> savedFile() const {
        DeviceSettings read;
        if (!loadSettingsFile(dir_ / "settings.xml", read)) {
            return std::nullopt;
        }
        return read;
    }

    DeviceSettings& copy_ = session_.settings;
};

TEST_F(ReadSettingsFlow, TheLoggersSettingsBecomeTheProgramsCopyAndNothingIsWritten) {
    const std::vector<uint8_t> before = volume_->bytes;
    ASSERT_NE(copy_.LogInterval, 5);
    ASSERT_NE(copy_.Backlight, 1);

    const SettingsRead read = ReadDeviceSettings(session_);
    ASSERT_EQ(read.source, SettingsSource::Logger) << read.reason;
    EXPECT_TRUE(read.changed);
    EXPECT_EQ(copy_.TimeZone, -120);
    EXPECT_EQ(copy_.LogInterval, 5);
    EXPECT_EQ(copy_.Backlight, 1);
    EXPECT_EQ(copy_.PowerOff, 2);  // the simulator's other values, as the logger keeps them
    EXPECT_EQ(copy_.Temperature, 0);
    EXPECT_EQ(read.settings, copy_);
    EXPECT_EQ(savedFile(), copy_);
    EXPECT_EQ(settingsSourceText(read),
              "The logger's settings, read from " + (dir_ / "logger.img").string() + ".");
    // A read writes nothing, not even the handshake of block 11, and says nothing.
    EXPECT_EQ(volume_->bytes, before);
    EXPECT_TRUE(prompt_.said.empty());
}

TEST_F(ReadSettingsFlow, WithoutALoggerOrAValidBlockTheProgramsCopyStaysAndSaysWhy) {
    const DeviceSettings copy = copy_;
    noLogger();
    SettingsRead read = ReadDeviceSettings(session_);
    EXPECT_EQ(read.source, SettingsSource::ProgramCopy);
    EXPECT_EQ(copy_, copy);
    EXPECT_EQ(read.settings, copy);
    EXPECT_EQ(settingsSourceText(read).rfind("The program's saved settings: the logger's settings "
                                             "were not read (Cannot open the logger: ",
                                             0),
              0u)
        << settingsSourceText(read);
    EXPECT_FALSE(savedFile().has_value());

    // Blocks the program never wrote: erased flash, zeros, two different length units.
    volume_->refuseOpen = false;
    const auto refused = [&](const char* what, const std::string& problem) {
        read = ReadDeviceSettings(session_);
        EXPECT_EQ(read.source, SettingsSource::ProgramCopy) << what;
        EXPECT_EQ(read.reason, "its settings block holds no valid settings: " + problem) << what;
        EXPECT_EQ(copy_, copy) << what;
        EXPECT_FALSE(savedFile().has_value()) << what;
    };
    uint8_t* settings = volume_->bytes.data() + 512 * 4096;
    std::fill_n(settings, 4096, uint8_t{0xFF});
    refused("erased", "Refbar is not a number");
    std::fill_n(settings, 4096, uint8_t{0});
    refused("zeros", "Length -1 is not from 0 to 1");
    useImage(image_);
    settings = volume_->bytes.data() + 512 * 4096;
    settings[71] = 2;
    refused("lengths", "the length unit is 1 at byte 70 but 2 at byte 71");
}

// The tracks of a logger at UTC+02:00 get tzome -120 whatever the program's copy said, so their
// GPX times are the UTC times the logger recorded.
TEST_F(ReadSettingsFlow, ADownloadStampsItsTracksWithTheLoggersTimeZone) {
    image_.writeLog(sim::generateTracks(2, 50, kStartUtc, 5, 120));
    useImage(image_);
    session_.openStore();
    TrackDatabase& db = session_.database();

    const DownloadReport report = DownloadDeviceLogs(prompt_, session_);
    ASSERT_EQ(report.kind, OutcomeKind::Complete) << report.error;
    EXPECT_EQ(prompt_.said, std::vector<std::string>{"Download Complete!"});
    EXPECT_EQ(report.settings.source, SettingsSource::Logger);
    EXPECT_EQ(copy_.TimeZone, -120);
    EXPECT_EQ(savedFile(), copy_);
    EXPECT_EQ(db.scalar("select count(*) from TK where tzome=-120;"), 2);
    const std::optional<TrackHeader> track = readStoredTrack(db, 1);
    ASSERT_TRUE(track.has_value());
    ASSERT_FALSE(track->points.empty());
    EXPECT_EQ(gpxUtcTime(track->points.front().sdate, track->tzome), "2026-05-28T20:26:40Z");

    // A logger whose settings cannot be taken: the program's copy stamps the tracks, and the
    // user hears so before the download goes on.
    std::fill_n(volume_->bytes.data() + 512 * 4096, 4096, uint8_t{0xFF});
    db.execute("delete from TKPT; delete from TK;");
    prompt_.said.clear();
    copy_.TimeZone = 300;
    const DeviceSettings before = copy_;
    ASSERT_EQ(DownloadDeviceLogs(prompt_, session_).kind, OutcomeKind::Complete);
    ASSERT_EQ(prompt_.said.size(), 2u);
    EXPECT_EQ(prompt_.said[0],
              "error: The logger's settings were not read (its settings block holds no valid "
              "settings: Refbar is not a number). The tracks are stored with the time zone of "
              "the program's settings, UTC-05:00.");
    EXPECT_EQ(prompt_.said[1], "Download Complete!");
    EXPECT_EQ(copy_, before);
    EXPECT_EQ(db.scalar("select count(*) from TK where tzome=300;"), 2);
}

}  // namespace
}  // namespace vandrel
