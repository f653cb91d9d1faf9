// The four POI commands with scripted answers, over a logger that can be missing or fail at
// any transfer, checking the logger, the slots and the files afterwards.
#include <gtest/gtest.h>

#include "device/byte_order.h"
#include "device/poi_block.h"
#include "device/poi_file.h"
#include "device_flow_fixture.h"
#include "flows/poi_commands.h"

namespace vandrel {
namespace {

const std::string kUploadAsk = "ask: Are you sure you want download|POIs to your device?";
const std::string kDownloadAsk = "ask: Are you sure you want to load|data from device?";

class PoiFlow : public testing::DeviceFlow {
  protected:
    void SetUp() override {
        DeviceFlow::SetUp();
        app_.pois[0] = {1, -33.8688f, 151.2093f, 5};
        app_.pois[1].icon = 21;
        // The logger's own bytes after the POI tables, to be kept by an upload.
        for (size_t i = 314; i < 4096; ++i) {
            volume_->bytes[513 * 4096 + i] = static_cast<uint8_t>(i);
        }
        hooks_.redrawAllPois = [this] { calls_.push_back("redraw"); };
        hooks_.showPoiDetails = [this](int slot) {
            calls_.push_back("show " + std::to_string(slot) + " selected " +
                             std::to_string(app_.selectedPoi));
        };
    }

    // A logger whose POI block the simulator filled.
    void loggerPois(const std::vector<sim::SimPoi>& pois) {
        sim::LoggerImage image;
        image.writePois(pois);
        useImage(image);
    }

    PoiState app_;
    PoiHooks hooks_;
    std::vector<std::string> calls_;
};

TEST_F(PoiFlow, UploadWritesTheTablesAndKeepsTheLoggersBytes) {
    const auto before = blockCopy(513);
    prompt_.yesNoAnswers = {true};
    EXPECT_EQ(UploadPois(prompt_, session_, app_).kind, OutcomeKind::Complete);
    EXPECT_EQ(prompt_.said, (std::vector<std::string>{kUploadAsk, "Upload Complete!"}));
    std::vector<uint8_t> expected = before;
    poi_block::encode(app_.pois, expected.data());
    EXPECT_EQ(blockCopy(513), expected);
    EXPECT_EQ(byte_order::getS32(block(513) + 134), -33868801);
    EXPECT_EQ(block(513)[134 + 9 + 8], 20);
}

TEST_F(PoiFlow, UploadAnsweredNoOrWithoutALoggerTouchesNothing) {
    const auto before = volume_->bytes;
    prompt_.yesNoAnswers = {false};
    EXPECT_EQ(UploadPois(prompt_, session_, app_).kind, OutcomeKind::AnsweredNo);
    EXPECT_EQ(prompt_.said, std::vector<std::string>{kUploadAsk});
    EXPECT_EQ(volume_->transfers, 0);

    noLogger();
    prompt_.said.clear();
    prompt_.yesNoAnswers = {true};
    EXPECT_EQ(UploadPois(prompt_, session_, app_).kind, OutcomeKind::NoDevice);
    EXPECT_EQ(prompt_.said[1], "Device unconnect !");
    EXPECT_EQ(volume_->bytes, before);
}

TEST_F(PoiFlow, UploadReportsAFailedTransferAndNeverWritesAnUnreadBlock) {
    const auto before = blockCopy(513);
    for (int failing : {3, 4}) {  // the read of block 513, its write
        failAtTransfer(failing);
        prompt_.said.clear();
        prompt_.yesNoAnswers = {true};
        const Outcome report = UploadPois(prompt_, session_, app_);
        EXPECT_EQ(report.kind, OutcomeKind::Failed) << failing;
        EXPECT_FALSE(said("Upload Complete!"));
        EXPECT_TRUE(saidError());
        EXPECT_EQ(volume_->transfers, failing);
        EXPECT_EQ(blockCopy(513), before);
    }
    refuseFromOpen(3);
    prompt_.yesNoAnswers = {true};
    volume_->failAtTransfer = 0;
    EXPECT_EQ(UploadPois(prompt_, session_, app_).kind, OutcomeKind::Failed);
    EXPECT_EQ(blockCopy(513), before);
}

// Captures the slots at the moment the completion notice is shown.
class SlotsAtNotice : public testing::ScriptedPrompt {
  public:
    explicit SlotsAtNotice(const PoiState& app) : app_(app) {}
    void notice(const std::string& line1, const std::string& line2) override {
        ScriptedPrompt::notice(line1, line2);
        atNotice = app_.pois;
    }
    PoiSlots atNotice{};

  private:
    const PoiState& app_;
};

TEST_F(PoiFlow, DownloadAppliesWhatPassesTheRangeTestAfterTheNotice) {
    loggerPois(
        {{7, 51500000, -120000, 3}, {8, 10000000, 10000000, 21}, {9, -90000000, 180000000, 20}});
    SlotsAtNotice prompt(app_);
    prompt.yesNoAnswers = {true};
    const PoiSlots before = app_.pois;
    EXPECT_EQ(DownloadPois(prompt, session_, app_, hooks_).kind, OutcomeKind::Complete);
    EXPECT_EQ(prompt.said, (std::vector<std::string>{kDownloadAsk, "Download Complete!"}));
    EXPECT_EQ(prompt.atNotice, before) << "the slots change after the notice";
    EXPECT_EQ(app_.pois[0], (PoiSlot{1, 51.5f, -0.12f, 3})) << "numbers are kept";
    EXPECT_EQ(app_.pois[1], before[1]) << "icon byte 20 fails the range test";
    EXPECT_EQ(app_.pois[2], (PoiSlot{3, -90.0f, 180.0f, 20}));
    // Slots 3 to 19 of the simulated logger are erased entries.
    for (int i = 3; i < kPoiSlotCount; ++i) {
        EXPECT_EQ(app_.pois[i], before[i]);
    }
    EXPECT_EQ(calls_, (std::vector<std::string>{"redraw", "show 0 selected 0"}));
}

TEST_F(PoiFlow, DownloadFromAnErasedBlockStillCompletes) {
    const PoiSlots before = app_.pois;
    prompt_.yesNoAnswers = {true};
    EXPECT_EQ(DownloadPois(prompt_, session_, app_, hooks_).kind, OutcomeKind::Complete);
    EXPECT_TRUE(said("Download Complete!"));
    EXPECT_EQ(app_.pois, before);
}

TEST_F(PoiFlow, DownloadThatFailsChangesNoSlot) {
    loggerPois({{7, 51500000, -120000, 3}});
    const PoiSlots before = app_.pois;
    prompt_.yesNoAnswers = {false};
    EXPECT_EQ(DownloadPois(prompt_, session_, app_, hooks_).kind, OutcomeKind::AnsweredNo);
    EXPECT_EQ(volume_->transfers, 0);

    failAtTransfer(3);
    prompt_.yesNoAnswers = {true};
    EXPECT_EQ(DownloadPois(prompt_, session_, app_, hooks_).kind, OutcomeKind::Failed);
    EXPECT_FALSE(said("Download Complete!"));
    EXPECT_TRUE(saidError());

    noLogger();
    prompt_.yesNoAnswers = {true};
    EXPECT_EQ(DownloadPois(prompt_, session_, app_, hooks_).kind, OutcomeKind::NoDevice);
    EXPECT_TRUE(said("Device unconnect !"));
    EXPECT_EQ(app_.pois, before);
    EXPECT_TRUE(calls_.empty());
    EXPECT_EQ(app_.selectedPoi, -1);
}

TEST_F(PoiFlow, SaveWritesTheChosenFileAndReportsOneItCannotWrite) {
    prompt_.files = {(dir_ / "mine.poi").string()};
    EXPECT_EQ(SavePoiFile(prompt_, session_, app_).kind, OutcomeKind::Complete);
    EXPECT_TRUE(prompt_.said.empty());
    EXPECT_EQ(testing::readFile(dir_ / "mine.poi").size(), 200u);

    EXPECT_EQ(SavePoiFile(prompt_, session_, app_).kind, OutcomeKind::Cancelled);
    prompt_.files = {(dir_ / "missing" / "x.poi").string()};
    EXPECT_EQ(SavePoiFile(prompt_, session_, app_).kind, OutcomeKind::Failed);
    EXPECT_TRUE(saidError());
}

TEST_F(PoiFlow, LoadReplacesEverySlotOnlyFromAGoodFileOnceTheMapIsLoaded) {
    PoiSlots inFile = initialPoiSlots();
    inFile[4] = {17, 12.5f, -45.25f, 27};
    auto bytes = encodePoiFile(inFile);
    testing::writeFile(dir_ / "good.poi", std::string(bytes.begin(), bytes.end()) + "xyz");
    bytes[10 * 3 + 9] = 0;  // icon 0
    testing::writeFile(dir_ / "bad.poi", std::string(bytes.begin(), bytes.end()));
    const PoiSlots before = app_.pois;

    prompt_.yesNoAnswers = {true};
    prompt_.files = {(dir_ / "good.poi").string()};
    EXPECT_EQ(LoadPoiFile(prompt_, app_, hooks_).kind, OutcomeKind::Cancelled);
    EXPECT_TRUE(prompt_.said.empty()) << "nothing is asked before the map is loaded";

    app_.MapsLoaded = true;
    prompt_.yesNoAnswers = {false};
    EXPECT_EQ(LoadPoiFile(prompt_, app_, hooks_).kind, OutcomeKind::AnsweredNo);
    EXPECT_EQ(prompt_.said, std::vector<std::string>{"ask: Are you sure load POI from PC?|"});

    prompt_.yesNoAnswers = {true};
    prompt_.files = {(dir_ / "bad.poi").string()};
    EXPECT_EQ(LoadPoiFile(prompt_, app_, hooks_).kind, OutcomeKind::Failed);
    EXPECT_TRUE(saidError());
    EXPECT_EQ(app_.pois, before);
    EXPECT_TRUE(calls_.empty());

    prompt_.yesNoAnswers = {true};
    prompt_.files = {(dir_ / "good.poi").string()};
    EXPECT_EQ(LoadPoiFile(prompt_, app_, hooks_).kind, OutcomeKind::Complete);
    EXPECT_EQ(app_.pois, inFile);
    EXPECT_EQ(calls_, (std::vector<std::string>{"redraw", "show 0 selected 0"}));
}

}  // namespace
}  // namespace vandrel
