// The settings block as the logger gets it, the form's conversions, and the save flow over a
// logger that can fail at any transfer.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

#include "core/settings_form_values.h"
#include "core/units.h"
#include "device/settings_block.h"
#include "device/settings_file.h"
#include "flows/device_flow_fixture.h"
#include "flows/save_device_settings.h"

namespace vandrel {
namespace {

TEST(SettingsForm, TimeZoneSplitsAndJoinsAsTheFormShowsIt) {
    EXPECT_EQ(splitTimeZone(-330), (TimeZoneFields{-5, 30}));
    EXPECT_EQ(FormatUtcOffset(-5, 30), "UTC+05:30");
    EXPECT_EQ(splitTimeZone(210), (TimeZoneFields{3, 30}));
    EXPECT_EQ(FormatUtcOffset(3, 30), "UTC-03:30");
    EXPECT_EQ(joinTimeZone({3, 30}), 210);
    EXPECT_EQ(joinTimeZone({0, 30}), -30);
    EXPECT_EQ(splitTimeZone(-30), (TimeZoneFields{0, 30}));
    // Every choice the form offers comes back unchanged through the settings.
    for (int hours = -13; hours <= 12; ++hours) {
        for (int minutes : {0, 15, 30, 45}) {
            const TimeZoneFields fields{hours, minutes};
            EXPECT_EQ(splitTimeZone(joinTimeZone(fields)), fields) << hours << ":" << minutes;
        }
    }
}

TEST(SettingsForm, AltitudeOffsetIsReadInTheUnitChosenAtSaveTime) {
    const float refbar = refbarFromAltitudeOffset("100.0", 1);
    EXPECT_FLOAT_EQ(refbar, 30.48f);
    EXPECT_EQ(altitudeOffsetText(refbar, 1), "100.0");
    EXPECT_EQ(altitudeOffsetText(refbar, 0), "30.5");
    EXPECT_FLOAT_EQ(refbarFromAltitudeOffset("100.0", 0), 100.0f);
    EXPECT_FLOAT_EQ(refbarFromAltitudeOffset(" -12.5", 0), -12.5f);
    // Only the leading number counts; text that is none reads as no offset.
    EXPECT_FLOAT_EQ(refbarFromAltitudeOffset("12-3", 0), 12.0f);
    EXPECT_EQ(refbarFromAltitudeOffset("abc", 1), 0.0f);
    EXPECT_EQ(refbarFromAltitudeOffset("", 0), 0.0f);
    EXPECT_EQ(refbarFromAltitudeOffset("-", 0), 0.0f);
    EXPECT_EQ(refbarFromAltitudeOffset(std::string(400, '9'), 0), 0.0f);
}

// A block of recognisable bytes, so that a byte written where it should not be shows.
std::array<uint8_t, 4096> patternBlock() {
    std::array<uint8_t, 4096> block{};
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    return block;
}

// Every byte outside the fields is as before; the fields hold `expected` from byte 66 to 81.
void expectBlock(const std::array<uint8_t, 4096>& block, const std::vector<uint8_t>& expected) {
    const auto before = patternBlock();
    for (size_t i = 0; i < block.size(); ++i) {
        if (i >= 66 && i <= 81 && i != 72) {
            EXPECT_EQ(block[i], expected[i - 66]) << "byte " << i;
        } else {
            EXPECT_EQ(block[i], before[i]) << "byte " << i;
        }
    }
}

TEST(SettingsBlock, FieldsLandByteExactAndNothingElseChanges) {
    DeviceSettings s;
    s.TimeZone = -330;
    s.Length = 1;
    s.Temperature = 0;
    s.TimeFormat = 1;
    s.LogInterval = 9999;
    s.PowerOff = 4;
    s.Backlight = 0;
    s.Refbar = refbarFromAltitudeOffset("100.0", 1);
    s.Tnttbar = 3;
    auto block = patternBlock();
    settings_block::patch(block.data(), s);
    uint8_t refbar[4];
    std::memcpy(refbar, &s.Refbar, 4);  // the test host is little-endian
    expectBlock(block, {0x4A, 0x01, 1, 2, 2, 2, 0, 4, 0, refbar[0], refbar[1], refbar[2], refbar[3],
                        0x0F, 0x27, 3});

    s.TimeZone = 210;
    s.Length = 0;
    s.Temperature = 1;
    s.TimeFormat = 0;
    s.LogInterval = 0;
    s.Refbar = 0;
    block = patternBlock();
    settings_block::patch(block.data(), s);
    expectBlock(block, {0x2E, 0xFF, 2, 1, 1, 1, 0, 4, 0, 0, 0, 0, 0, 0, 0, 3});

    s.TimeZone = joinTimeZone({0, 30});
    block = patternBlock();
    settings_block::patch(block.data(), s);
    EXPECT_EQ(block[66], 30);
    EXPECT_EQ(block[67], 0);
}

TEST(SettingsBlock, ValuesThatWouldBeCutAreNamed) {
    EXPECT_EQ(settings_block::fieldsProblem(DeviceSettings{}), "");
    DeviceSettings s;
    s.LogInterval = 40000;
    EXPECT_NE(settings_block::fieldsProblem(s).find("LogInterval 40000"), std::string::npos);
    s = {};
    s.TimeZone = -40000;
    EXPECT_NE(settings_block::fieldsProblem(s).find("TimeZone"), std::string::npos);
    s = {};
    s.Temperature = 255;  // stored as 256
    EXPECT_NE(settings_block::fieldsProblem(s).find("Temperature"), std::string::npos);
    s = {};
    s.PowerOff = -1;
    EXPECT_NE(settings_block::fieldsProblem(s).find("PowerOff"), std::string::npos);
    s = {};
    s.Refbar = std::nanf("");
    EXPECT_NE(settings_block::fieldsProblem(s).find("Refbar"), std::string::npos);
    // Values that fit their bytes but are none of the logger's choices are refused too.
    s = {};
    s.PowerOff = 200;
    EXPECT_EQ(settings_block::fieldsProblem(s), "PowerOff 200 is not from 0 to 4");
    s = {};
    s.TimeZone = 5000;
    EXPECT_EQ(settings_block::fieldsProblem(s), "TimeZone 5000 is not from -1439 to 1439");
}

class SaveSettingsFlow : public testing::DeviceFlow {
  protected:
    void SetUp() override {
        DeviceFlow::SetUp();
        session_.tracksChanged.add(
            [this](const TracksChange&) { notifiedAfterOpens_.push_back(opensSoFar()); });
        settings_.TimeZone = -330;
        settings_.Length = 1;
        settings_.LogInterval = 10;
        settings_.Refbar = 30.48f;
    }
    int opensSoFar() const { return volume_->opens; }
    Outcome save() { return SaveDeviceSettings(prompt_, session_, settings_); }
    DeviceSettings savedFile() {
        DeviceSettings read;
        EXPECT_TRUE(loadSettingsFile(dir_ / "settings.xml", read));
        return read;
    }

    DeviceSettings settings_;
    std::vector<int> notifiedAfterOpens_;
};

TEST_F(SaveSettingsFlow, WritesTheFileTellsTheListenersThenPatchesTheBlock) {
    const auto before = blockCopy(512);
    EXPECT_EQ(save().kind, OutcomeKind::Complete);
    EXPECT_EQ(prompt_.said, std::vector<std::string>{"Save Complete!"});
    EXPECT_EQ(savedFile(), settings_);
    // The listeners heard of the change before the logger was looked for.
    EXPECT_EQ(notifiedAfterOpens_, std::vector<int>{0});
    EXPECT_EQ(prompt_.busyBegun, 1);
    EXPECT_FALSE(prompt_.busyDuringLastNotice);
    const sim::SimSettings stored = [&] {
        sim::LoggerImage after;
        after.bytes() = volume_->bytes;
        return after.readSettings();
    }();
    EXPECT_EQ(stored.timeZoneEast, 330);
    EXPECT_EQ(stored.length, 2);
    EXPECT_EQ(stored.length2, 2);
    EXPECT_EQ(stored.logInterval, 10);
    EXPECT_FLOAT_EQ(stored.refbar, 30.48f);
    for (size_t i = 0; i < 4096; ++i) {
        if (i < 66 || i > 81) {
            ASSERT_EQ(block(512)[i], before[i]) << "byte " << i;
        }
    }
}

TEST_F(SaveSettingsFlow, WithoutALoggerTheFileIsStillSaved) {
    noLogger();
    EXPECT_EQ(save().kind, OutcomeKind::NoDevice);
    ASSERT_FALSE(prompt_.said.empty());
    EXPECT_EQ(prompt_.said[0], "Device unconnect!");
    EXPECT_EQ(savedFile(), settings_);
    EXPECT_EQ(notifiedAfterOpens_.size(), 1u);
    EXPECT_EQ(prompt_.busyBegun, 0);
}

TEST_F(SaveSettingsFlow, AFailedTransferIsReportedAndAnUnreadBlockNeverWritten) {
    const auto before = volume_->bytes;
    // 3: the read of block 512, 4: its write.
    for (int failing : {3, 4}) {
        failAtTransfer(failing);
        prompt_.said.clear();
        const Outcome report = save();
        EXPECT_EQ(report.kind, OutcomeKind::Failed) << failing;
        EXPECT_FALSE(said("Save Complete!"));
        EXPECT_TRUE(saidError());
        EXPECT_NE(report.error.find("block 512"), std::string::npos) << report.error;
        EXPECT_EQ(prompt_.busyBegun, prompt_.busyEnded);
        EXPECT_EQ(volume_->transfers, failing) << "nothing is written after a failed read";
    }
    // Neither attempt changed the settings block.
    EXPECT_TRUE(std::equal(before.begin() + 512 * 4096, before.begin() + 513 * 4096,
                           volume_->bytes.begin() + 512 * 4096));
}

TEST_F(SaveSettingsFlow, ALoggerThatWillNotOpenAfterConnectIsReported) {
    refuseFromOpen(3);  // Connect's two opens succeed, the read's open does not
    const auto before = volume_->bytes;
    const Outcome report = save();
    EXPECT_EQ(report.kind, OutcomeKind::Failed);
    EXPECT_FALSE(said("Save Complete!"));
    EXPECT_NE(report.error.find("Cannot open the logger"), std::string::npos) << report.error;
    EXPECT_EQ(prompt_.busyBegun, prompt_.busyEnded);
    EXPECT_TRUE(std::equal(before.begin() + 512 * 4096, before.begin() + 513 * 4096,
                           volume_->bytes.begin() + 512 * 4096));
}

TEST_F(SaveSettingsFlow, SettingsThatDoNotFitAreRefusedBeforeAnythingIsSaved) {
    settings_.LogInterval = 100000;
    const auto before = volume_->bytes;
    EXPECT_EQ(save().kind, OutcomeKind::Failed);
    EXPECT_TRUE(saidError());
    EXPECT_FALSE(std::filesystem::exists(dir_ / "settings.xml"));
    EXPECT_TRUE(notifiedAfterOpens_.empty());
    EXPECT_EQ(volume_->bytes, before);
}

TEST_F(SaveSettingsFlow, AnUnwritableSettingsFileStopsTheSave) {
    const auto before = volume_->bytes;
    {
        testing::FileSizeLimit full(16);  // the new settings.xml cannot be written
        EXPECT_EQ(save().kind, OutcomeKind::Failed);
    }
    EXPECT_TRUE(saidError());
    EXPECT_EQ(volume_->bytes, before);
}

}  // namespace
}  // namespace vandrel
