// Symbolic links planted in the program folder by someone else: the files the program makes
// there replace them or refuse them, and nothing is ever written where they point.
#include <gtest/gtest.h>

#include "core/program_folder_lock.h"
#include "device_flow_fixture.h"
#include "exchange/exchange_support.h"
#include "flows/download_device_logs.h"
#include "flows/erase_logs.h"
#include "flows/exchange_flows.h"
#include "flows/point_photos.h"
#include "store/sqlite_db.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

class PlantedLinks : public testing::DeviceFlow {
  protected:
    void SetUp() override {
        DeviceFlow::SetUp();
        sim::LoggerImage image;
        image.writeLog(sim::generateTracks(2, 50, 1780000000, 5, 0));
        useImage(image);
        session_.database().openStore(dir_ / "Vandrel.db");
    }
    // A link in the program folder to a file elsewhere that must stay as it is.
    void plant(const std::string& name) {
        writeFile(elsewhere_ / name, "kept");
        fs::create_symlink(elsewhere_ / name, dir_ / name);
    }

    testing::TempDir elsewhere_;
};

TEST_F(PlantedLinks, NothingIsWrittenWhereTheyPoint) {
    for (const char* name : {"temp.hdr.part", "temp.log.part", "erase.bin.part"}) {
        plant(name);
    }
    EXPECT_EQ(DownloadDeviceLogs(prompt_, session_).kind, OutcomeKind::Complete);
    prompt_.yesNoAnswers = {true};
    EXPECT_EQ(EraseDeviceLogs(prompt_, session_, testing::builtProgram("erase.bin")).kind,
              OutcomeKind::Complete);
    for (const char* name : {"temp.hdr.part", "temp.log.part", "erase.bin.part"}) {
        EXPECT_TRUE(readFile(elsewhere_ / name) == "kept") << name << " was written through";
    }

    // A photos folder that leads elsewhere receives no copy, and the user hears why.
    fs::create_directories(elsewhere_ / "photos");
    fs::create_symlink(elsewhere_ / "photos", dir_ / "photos");
    writeFile(dir_ / "new.jpg", "photo");
    TrackPoint point;
    PhotoStamps stamps(localTimeWithMilliseconds);
    prompt_.said.clear();
    EXPECT_FALSE(attachPointPhoto(prompt_, session_, point, dir_ / "new.jpg", stamps).complete());
    writeFile(dir_ / "in.prg",
              "<track><item><point lat=\"1\" lng=\"2\" time=\"40000\" pho=\"a.jpg\"/></item>"
              "</track>");
    fs::create_directories(dir_ / "in");
    writeFile(dir_ / "in" / "a.jpg", "photo");
    const ArchiveLoadResult loaded = loadTracksFrom(prompt_, session_, dir_ / "in.prg");
    EXPECT_EQ(loaded.photosCopied, 0);
    EXPECT_FALSE(loaded.photosFolderRefused.empty());
    EXPECT_TRUE(testing::fileNames(elsewhere_ / "photos").empty());
    ASSERT_EQ(prompt_.said.size(), 3u);
    EXPECT_EQ(prompt_.said[1], "error: " + loaded.photosFolderRefused);

    // A dangling lock file link: the lock is refused and nothing is made where it points.
    fs::remove(dir_ / kProgramFolderLockName);
    fs::create_symlink(elsewhere_ / "lock", dir_ / kProgramFolderLockName);
    ProgramFolderLock lock(dir_.path());
    EXPECT_FALSE(lock.tryLock());
    EXPECT_FALSE(fs::exists(elsewhere_ / "lock"));
}

}  // namespace
}  // namespace vandrel
