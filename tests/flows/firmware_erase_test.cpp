// The firmware update and the log erase over a logger in memory: what lands in which block,
// what is refused before anything is written, and how a failure part-way is reported.
#include <gtest/gtest.h>

#include "device/erase_image.h"
#include "device/firmware.h"
#include "device/log_layout.h"
#include "device/track_log.h"
#include "device_flow_fixture.h"
#include "flows/erase_logs.h"
#include "flows/poi_commands.h"
#include "flows/update_firmware.h"

namespace vandrel {
namespace {

using FirmwareFlow = testing::DeviceFlow;

// A firmware image of `size` bytes that are never 0xFF, so the padding shows.
std::string firmwareBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i % 251);
    }
    return bytes;
}

TEST_F(FirmwareFlow, ImageFillsWholeBlocksFromBlock16PaddedWithFF) {
    const auto before = withoutHandshake();
    const std::string image = firmwareBytes(10000);
    testing::writeFile(dir_ / "fw.bin", image);
    prompt_.yesNoAnswers = {true, true};
    EXPECT_EQ(UpdateFirmware(prompt_, session_, (dir_ / "fw.bin").string()).kind,
              OutcomeKind::Complete);
    EXPECT_EQ(prompt_.said, (std::vector<std::string>{
                                "ask: Are you sure you want to write the device's firmware from|" +
                                    (dir_ / "fw.bin").string() + " (10000 bytes)?",
                                "Update Complete!"}));
    EXPECT_FALSE(prompt_.busyDuringLastNotice);
    const uint8_t* area = block(16);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), reinterpret_cast<const char*>(area)));
    EXPECT_TRUE(std::all_of(area + 10000, area + 3 * 4096, [](uint8_t b) { return b == 0xFF; }));
    // Nothing after block 18 changed.
    const auto after = withoutHandshake();
    EXPECT_TRUE(std::equal(after.begin() + 19 * 4096, after.end(), before.begin() + 19 * 4096));
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 16 * 4096, before.begin()));

    testing::writeFile(dir_ / "fw8k.bin", firmwareBytes(8192));
    useImage(image_);
    EXPECT_EQ(UpdateFirmware(prompt_, session_, (dir_ / "fw8k.bin").string()).kind,
              OutcomeKind::Complete);
    EXPECT_EQ(blockCopy(18), std::vector<uint8_t>(image_.block(18), image_.block(18) + 4096));
}

TEST_F(FirmwareFlow, AnImageReachingTheSettingsIsRefusedBeforeAnythingIsWritten) {
    const auto before = withoutHandshake();
    testing::writeFile(dir_ / "big.bin", firmwareBytes(kFirmwareMostBytes + 1));
    const Outcome report = UpdateFirmware(prompt_, session_, (dir_ / "big.bin").string());
    EXPECT_EQ(report.kind, OutcomeKind::Failed);
    EXPECT_TRUE(said("Update file error!"));
    EXPECT_NE(report.error.find("2031616"), std::string::npos) << report.error;
    EXPECT_EQ(withoutHandshake(), before);

    // The largest image that fits ends in block 511.
    testing::writeFile(dir_ / "max.bin", firmwareBytes(kFirmwareMostBytes));
    prompt_.yesNoAnswers = {true};
    EXPECT_EQ(UpdateFirmware(prompt_, session_, (dir_ / "max.bin").string()).kind,
              OutcomeKind::Complete);
    EXPECT_EQ(block(511)[4095], static_cast<uint8_t>((kFirmwareMostBytes - 1) % 251));
    EXPECT_TRUE(std::equal(before.begin() + 512 * 4096, before.end(),
                           withoutHandshake().begin() + 512 * 4096));
}

// Nothing that cannot be a firmware image of this logger gets as far as the question, and only
// Yes lets the update touch the logger at all (Connect's handshake included).
TEST_F(FirmwareFlow, ImpossibleImagesAreRefusedAndTheQuestionNamesTheFileAndItsSize) {
    const std::vector<uint8_t> before = volume_->bytes;
    testing::writeFile(dir_ / "empty.bin", "");
    testing::writeFile(dir_ / "big.bin", firmwareBytes(kFirmwareMostBytes + 1));
    for (const char* name : {"empty.bin", "big.bin"}) {
        prompt_.said.clear();
        prompt_.yesNoAnswers = {true};
        const Outcome report = UpdateFirmware(prompt_, session_, (dir_ / name).string());
        EXPECT_EQ(report.kind, OutcomeKind::Failed) << name;
        ASSERT_EQ(prompt_.said.size(), 2u) << name;
        EXPECT_EQ(prompt_.said[0], "Update file error!") << name;
        EXPECT_NE(report.error.find(std::string(name) == "empty.bin" ? "is empty" : "larger than"),
                  std::string::npos)
            << report.error;
    }

    // 64 KiB of anything is asked about, with its path and size; No writes nothing.
    testing::writeFile(dir_ / "random.bin", firmwareBytes(65536));
    prompt_.said.clear();
    prompt_.yesNoAnswers = {false};
    EXPECT_EQ(UpdateFirmware(prompt_, session_, (dir_ / "random.bin").string()).kind,
              OutcomeKind::AnsweredNo);
    EXPECT_EQ(prompt_.said, std::vector<std::string>{
                                "ask: Are you sure you want to write the device's firmware from|" +
                                (dir_ / "random.bin").string() + " (65536 bytes)?"});
    EXPECT_EQ(volume_->opens, 0);
    EXPECT_EQ(volume_->bytes, before);
}

TEST_F(FirmwareFlow, MissingEmptyOrUnreadableImagesAndNoLogger) {
    const auto before = withoutHandshake();
    EXPECT_EQ(UpdateFirmware(prompt_, session_, "").kind, OutcomeKind::Cancelled);
    EXPECT_EQ(prompt_.said, std::vector<std::string>{"Please select a update file!"});
    EXPECT_EQ(volume_->opens, 0);

    testing::writeFile(dir_ / "empty.bin", "");
    for (const std::string& path :
         {(dir_ / "empty.bin").string(), (dir_ / "missing.bin").string(), dir_.path().string()}) {
        prompt_.said.clear();
        EXPECT_EQ(UpdateFirmware(prompt_, session_, path).kind, OutcomeKind::Failed) << path;
        EXPECT_EQ(prompt_.said.at(0), "Update file error!") << path;
        EXPECT_FALSE(said("Update Complete!"));
    }
    EXPECT_EQ(withoutHandshake(), before);

    noLogger();
    prompt_.said.clear();
    prompt_.yesNoAnswers = {true};
    testing::writeFile(dir_ / "fw.bin", firmwareBytes(100));
    EXPECT_EQ(UpdateFirmware(prompt_, session_, (dir_ / "fw.bin").string()).kind,
              OutcomeKind::NoDevice);
    EXPECT_EQ(prompt_.said.at(1), "Device unconnect!");
}

TEST_F(FirmwareFlow, AFailedWriteSaysHowFarTheUpdateCame) {
    testing::writeFile(dir_ / "fw.bin", firmwareBytes(5 * 4096));
    for (int failing : {3, 5, 7}) {  // the first, third and last block of the image
        failAtTransfer(failing);
        prompt_.said.clear();
        prompt_.yesNoAnswers = {true};
        const Outcome report = UpdateFirmware(prompt_, session_, (dir_ / "fw.bin").string());
        EXPECT_EQ(report.kind, OutcomeKind::Failed);
        EXPECT_FALSE(said("Update Complete!"));
        EXPECT_NE(report.error.find("after " + std::to_string(failing - 3) + " of 5 blocks"),
                  std::string::npos)
            << report.error;
        EXPECT_EQ(prompt_.busyBegun, prompt_.busyEnded);
        EXPECT_EQ(volume_->transfers, failing) << "the update stops at the failed block";
    }
    refuseFromOpen(3);
    volume_->failAtTransfer = 0;
    prompt_.yesNoAnswers = {true};
    EXPECT_EQ(UpdateFirmware(prompt_, session_, (dir_ / "fw.bin").string()).kind,
              OutcomeKind::Failed);
}

// Written blocks are only on the logger once the flush at the close went through: a failed
// flush fails the command with the reason, and no completion is told.
TEST_F(FirmwareFlow, AFailedFlushOfWrittenBlocksFailsTheCommand) {
    testing::writeFile(dir_ / "fw.bin", firmwareBytes(2 * 4096));
    failFlushAtClose(3);  // after Connect's two: the close of the firmware area
    prompt_.yesNoAnswers = {true};
    Outcome report = UpdateFirmware(prompt_, session_, (dir_ / "fw.bin").string());
    EXPECT_EQ(report.kind, OutcomeKind::Failed);
    EXPECT_NE(report.error.find("the flush failed"), std::string::npos) << report.error;
    EXPECT_FALSE(said("Update Complete!"));

    prompt_.said.clear();
    prompt_.yesNoAnswers = {true};
    failFlushAtClose(4);  // Connect's two, the read of the POI block, its write
    report = UploadPois(prompt_, session_, PoiState{});
    EXPECT_EQ(report.kind, OutcomeKind::Failed);
    EXPECT_NE(report.error.find("the flush failed"), std::string::npos) << report.error;
    EXPECT_FALSE(said("Upload Complete!"));
}

TEST(EraseImage, TheBuiltImageIsErasedFlashWithNoLogPresent) {
    const std::string image = testing::readFile(testing::builtProgram("erase.bin"));
    ASSERT_EQ(image.size(), kEraseImageSize);
    const size_t present =
        (log_layout::kPresentBlock - kEraseFirstBlock) * 4096 + log_layout::kPresentOffset;
    ASSERT_EQ(present, 0x5210u);
    // The first bytes are the settings and POIs of the last erased logger, if any.
    for (size_t i = kEraseKeptBytes; i < image.size(); ++i) {
        const bool inWord = i >= present && i < present + 4;
        ASSERT_EQ(static_cast<uint8_t>(image[i]), inWord ? 0 : 0xFF) << "byte " << i;
    }
}

class EraseFlow : public testing::DeviceFlow {
  protected:
    void SetUp() override {
        DeviceFlow::SetUp();
        sim::LoggerImage image;
        image.writeLog(sim::generateTracks(2, 300, 1780000000, 5, 0));
        image.writePois({{1, 45000000, 7000000, 4}});
        image.block(512)[193] = 0x5A;
        image.block(512)[194] = 0xA5;
        image.block(512)[195] = 0x77;
        for (size_t i = 314; i < 4096; ++i) {
            image.block(513)[i] = static_cast<uint8_t>(i * 3);
        }
        useImage(image);
        shipped_ = testing::builtProgram("erase.bin");
    }
    Outcome erase(bool yes = true) {
        prompt_.yesNoAnswers = {yes};
        return EraseDeviceLogs(prompt_, session_, shipped_);
    }
    std::filesystem::path programCopy() const { return dir_ / "erase.bin"; }

    std::filesystem::path shipped_;
};

TEST_F(EraseFlow, LogsGoSettingsAndPoisStayAndEraseBinKeepsTheirCopy) {
    const auto settings = blockCopy(512);
    const auto pois = blockCopy(513);
    const auto before = withoutHandshake();
    ASSERT_TRUE(session_.volume().Connect() && HasLogRecords(session_.volume()));
    EXPECT_EQ(erase().kind, OutcomeKind::Complete);
    EXPECT_EQ(prompt_.said,
              (std::vector<std::string>{"ask: Are you sure delete logs data|from device?",
                                        "Delete Device Logs Complete!"}));
    EXPECT_FALSE(prompt_.busyDuringLastNotice);

    std::vector<uint8_t> expected = settings;
    expected[193] = 0;
    expected[194] = 0;
    EXPECT_EQ(blockCopy(512), expected);
    EXPECT_TRUE(std::equal(pois.begin(), pois.begin() + 546, block(513)));
    EXPECT_TRUE(
        std::all_of(block(513) + 546, block(513) + 4096, [](uint8_t b) { return b == 0xFF; }));
    // The log index, the log data and everything else of the range come from the image.
    const uint8_t* index = volume_->bytes.data() + log_layout::kIndexVolumeOffset;
    EXPECT_TRUE(std::all_of(index, index + 998 * 12, [](uint8_t b) { return b == 0xFF; }));
    EXPECT_FALSE(HasLogRecords(session_.volume()));
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 512 * 4096, withoutHandshake().begin()))
        << "blocks before the settings are not touched";

    const std::string copy = testing::readFile(programCopy());
    ASSERT_EQ(copy.size(), kEraseImageSize);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(),
                           reinterpret_cast<const uint8_t*>(copy.data())));
    EXPECT_TRUE(std::equal(pois.begin(), pois.begin() + 546,
                           reinterpret_cast<const uint8_t*>(copy.data()) + 4096));
    EXPECT_EQ(static_cast<uint8_t>(copy[4096 + 546]), 0xFF);
    EXPECT_EQ(testing::readFile(shipped_).substr(4642), copy.substr(4642));
}

TEST_F(EraseFlow, NoOrNoLoggerLeavesLoggerAndImageAlone) {
    const auto before = volume_->bytes;
    EXPECT_EQ(erase(false).kind, OutcomeKind::AnsweredNo);
    EXPECT_EQ(volume_->transfers, 0);
    noLogger();
    EXPECT_EQ(erase().kind, OutcomeKind::NoDevice);
    EXPECT_TRUE(said("Device unconnect!"));
    EXPECT_EQ(volume_->bytes, before);
    EXPECT_FALSE(std::filesystem::exists(programCopy()));
}

TEST_F(EraseFlow, MissingOrShortImageIsRefusedBeforeAnythingIsWritten) {
    const auto before = withoutHandshake();
    shipped_ = dir_ / "nowhere" / "erase.bin";
    Outcome report = erase();
    EXPECT_EQ(report.kind, OutcomeKind::Failed);
    EXPECT_NE(report.error.find("missing"), std::string::npos) << report.error;

    testing::writeFile(programCopy(), std::string(kEraseImageSize - 1, '\xFF'));
    report = erase();
    EXPECT_EQ(report.kind, OutcomeKind::Failed);
    EXPECT_NE(report.error.find("2097151"), std::string::npos) << report.error;
    EXPECT_FALSE(said("Delete Device Logs Complete!"));
    EXPECT_EQ(withoutHandshake(), before);
    EXPECT_EQ(testing::readFile(programCopy()), std::string(kEraseImageSize - 1, '\xFF'));
}

TEST_F(EraseFlow, FailedReadsEraseNothingAndFailedWritesAreReported) {
    const auto before = withoutHandshake();
    for (int failing : {3, 4}) {  // the reads of blocks 512 and 513
        failAtTransfer(failing);
        EXPECT_EQ(erase().kind, OutcomeKind::Failed) << failing;
        EXPECT_EQ(volume_->transfers, failing);
        EXPECT_EQ(withoutHandshake(), before);
    }
    // The image was copied to the program folder but its start not yet rewritten.
    EXPECT_EQ(testing::readFile(programCopy()), testing::readFile(shipped_));

    for (int failing : {5, 200, 516}) {  // the first, a middle and the last block written
        failAtTransfer(failing);
        prompt_.said.clear();
        const Outcome report = erase();
        EXPECT_EQ(report.kind, OutcomeKind::Failed) << failing;
        EXPECT_FALSE(said("Delete Device Logs Complete!"));
        EXPECT_NE(report.error.find("partly erased"), std::string::npos) << report.error;
        EXPECT_NE(report.error.find("after " + std::to_string(failing - 5) + " of 512"),
                  std::string::npos)
            << report.error;
        EXPECT_EQ(prompt_.busyBegun, prompt_.busyEnded);
    }
}

}  // namespace
}  // namespace vandrel
