// The PC track archive: the file, round trips through a database, the overwrite question and
// the plausibility filter.
#include <gtest/gtest.h>

#include <cmath>

#include "exchange/track_archive.h"
#include "exchange_support.h"
#include "scripted_prompt.h"
#include "store/track_summary.h"

namespace vandrel {
namespace {

using namespace testing;

SystemTime fixedClock() {
    SystemTime t;
    t.year = 2011;
    t.month = 12;
    t.day = 20;
    t.hour = 13;
    t.minute = 5;
    t.second = 9;
    t.milliseconds = 123;
    return t;
}

class TrackArchive : public ::testing::Test {
  protected:
    TrackArchive() {
        db_.openStore(dir_ / "Vandrel.db");
        options_.photosFolder = dir_ / "program" / "photos";
        options_.clock = fixedClock;
    }
    ArchiveLoadResult load(const std::filesystem::path& archive) {
        return loadArchive(archive, db_, prompt_, options_);
    }
    std::vector<TrackHeader> stored() { return db_.readTracksBetween(-1e9, 1e9); }
    // The photos folder of the program that saves.
    std::filesystem::path savedPhotos() const { return dir_ / "old" / "photos"; }

    TempDir dir_;
    TrackDatabase db_;
    ScriptedPrompt prompt_;
    ArchiveLoadOptions options_;
};

TEST_F(TrackArchive, TheFileHoldsEveryPointWithItsNumberForms) {
    TrackHeader first;
    first.trail = 3;
    first.tzome = 480;
    // 0.4 s past the second: written rounded to the second.
    first.points.push_back(makePoint(22.5f, 114.25f, oleDate(2011, 12, 20, 13, 5, 9) + 0.4 / 86400,
                                     12.345f, 1013.256f, -3.5f));
    TrackHeader second;
    second.trail = -1;
    second.tzome = 0;
    const auto path = dir_ / "a.prg";
    const ArchiveSaveResult result = saveArchive(path, {first, second}, savedPhotos());
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.tracks, 2);
    EXPECT_EQ(result.points, 1);
    char time[32];
    std::snprintf(time, sizeof time, "%.6f", oleDate(2011, 12, 20, 13, 5, 9));
    EXPECT_EQ(readFile(path),
              "<?xml version=\"1.0\" ?>\r\n"
              "<track timezone=\"0\">\r\n"
              "    <item trail=\"3\">\r\n"
              "        <point lat=\"22.500000\" lng=\"114.250000\" time=\"" +
                  std::string(time) +
                  "\" alt=\"12.35\" bar=\"1013.26\" tmp=\"-3.50\" pho=\"\" />\r\n"
                  "    </item>\r\n"
                  "    <item trail=\"-1\" />\r\n"
                  "</track>\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "a"));
}

TEST_F(TrackArchive, AnEmptyDatabaseGivesABareRootThatLoadsNothing) {
    const auto path = dir_ / "empty.prg";
    ASSERT_TRUE(saveArchive(path, {}, savedPhotos()).ok);
    EXPECT_EQ(readFile(path), "<?xml version=\"1.0\" ?>\r\n<track />\r\n");
    const ArchiveLoadResult result = load(path);
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.isArchive);
    EXPECT_EQ(result.stored, 0);
    EXPECT_TRUE(stored().empty());
}

TEST_F(TrackArchive, TracksAndPhotosComeBackAsTheyWereSaved) {
    std::filesystem::create_directories(dir_ / "old" / "photos");
    writeFile(dir_ / "old" / "photos" / "a.jpg", "photo a");
    writeFile(dir_ / "old" / "photos" / "b.png", "photo b");
    TrackHeader one = makeTrack(30, oleDate(2011, 12, 20, 8, 0, 0), 22.123456f, 114.654321f);
    one.points[5].pho = (dir_ / "old" / "photos" / "a.jpg").string();
    one.points[9].pho = (dir_ / "old" / "photos" / "b.png").string();
    one.points[7].alt = -12.345f;
    one.points[7].tmp = 36.666f;
    TrackHeader two = makeTrack(12, oleDate(2011, 12, 21, 8, 0, 0), -45.5f, -170.25f);
    for (TrackHeader* t : {&one, &two}) {
        t->tzome = -480;
        computeSummary(*t);
    }
    const auto archive = dir_ / "out" / "trip.prg";
    std::filesystem::create_directories(archive.parent_path());
    const ArchiveSaveResult saved = saveArchive(archive, {one, two}, savedPhotos());
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(saved.photosCopied, 2);
    EXPECT_EQ(fileNames(dir_ / "out" / "trip"), (std::vector<std::string>{"a.jpg", "b.png"}));

    const ArchiveLoadResult result = load(archive);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.stored, 2);
    EXPECT_EQ(result.pointsStored, 42);
    EXPECT_EQ(result.photosCopied, 2);
    EXPECT_TRUE(prompt_.said.empty());
    const std::vector<TrackHeader> back = stored();
    ASSERT_EQ(back.size(), 2u);
    for (size_t t = 0; t < 2; ++t) {
        const TrackHeader& original = t == 0 ? one : two;
        const TrackHeader& loaded = back[t];
        EXPECT_EQ(loaded.trail, original.trail);
        EXPECT_EQ(loaded.tzome, -480);
        // The database keeps six decimals of a day.
        EXPECT_NEAR(loaded.stime, original.stime, 0.5e-6);
        EXPECT_NEAR(loaded.etime, original.etime, 0.5e-6);
        EXPECT_NEAR(loaded.dist, original.dist, 0.01);
        EXPECT_NEAR(loaded.avgalt, original.avgalt, 0.01);
        ASSERT_EQ(loaded.points.size(), original.points.size());
        for (size_t i = 0; i < loaded.points.size(); ++i) {
            const TrackPoint& a = original.points[i];
            const TrackPoint& b = loaded.points[i];
            EXPECT_NEAR(b.lat, a.lat, 1e-6);
            EXPECT_NEAR(b.lng, a.lng, 1e-6);
            EXPECT_NEAR(b.sdate, wholeSecondOleDate(a.sdate), 1e-6);
            EXPECT_NEAR(b.alt, a.alt, 0.005 + 1e-5);
            EXPECT_NEAR(b.bar, a.bar, 0.005 + 1e-4);
            EXPECT_NEAR(b.tmp, a.tmp, 0.005 + 1e-5);
            EXPECT_NEAR(b.dist, a.dist, 0.01);
        }
    }
    // Photos are copied under the time of the copy, one millisecond apart at the least.
    const auto photos = options_.photosFolder;
    EXPECT_EQ(back[0].points[5].pho, (photos / "20111220130509123.jpg").string());
    EXPECT_EQ(back[0].points[9].pho, (photos / "20111220130509124.png").string());
    EXPECT_EQ(readFile(back[0].points[5].pho), "photo a");
    EXPECT_EQ(readFile(back[0].points[9].pho), "photo b");
    EXPECT_EQ(back[0].points[6].pho, "");
}

// A save killed while it copied a photo left a piece of it under the photo's name: the next
// save copies the photo whole instead of keeping the piece.
TEST_F(TrackArchive, ACopyCutShortIsMadeWholeByTheNextSave) {
    std::filesystem::create_directories(dir_ / "photos");
    writeFile(dir_ / "photos" / "a.jpg", "the whole photo");
    TrackHeader track = makeTrack(2, oleDate(2011, 12, 20, 8, 0, 0));
    track.points[1].pho = (dir_ / "photos" / "a.jpg").string();
    std::filesystem::create_directories(dir_ / "trip");
    writeFile(dir_ / "trip" / "a.jpg", "the who");
    const ArchiveSaveResult saved = saveArchive(dir_ / "trip.prg", {track}, dir_ / "photos");
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(saved.photosCopied, 1);
    EXPECT_EQ(readFile(dir_ / "trip" / "a.jpg"), "the whole photo");
    EXPECT_EQ(fileNames(dir_ / "trip"), std::vector<std::string>{"a.jpg"});
}

TEST_F(TrackArchive, TheLastTracksTimeZoneGoesToEveryLoadedTrack) {
    TrackHeader east = makeTrack(3, oleDate(2020, 5, 1, 8, 0, 0), 22.5f, 114.0f, 480);
    TrackHeader utc = makeTrack(3, oleDate(2020, 5, 2, 8, 0, 0), 51.5f, 0.0f, 0);
    const auto archive = dir_ / "tz.prg";
    ASSERT_TRUE(saveArchive(archive, {east, utc}, savedPhotos()).ok);
    EXPECT_NE(readFile(archive).find("<track timezone=\"0\">"), std::string::npos);
    ASSERT_TRUE(load(archive).ok);
    for (const TrackHeader& t : stored()) {
        EXPECT_EQ(t.tzome, 0);
    }
}

TEST_F(TrackArchive, EachOverwriteAnswerDoesWhatItSays) {
    std::vector<TrackHeader> tracks;
    for (int day = 1; day <= 3; ++day) {
        tracks.push_back(makeTrack(4, oleDate(2020, 5, day, 8, 0, 0)));
    }
    const auto archive = dir_ / "three.prg";
    ASSERT_TRUE(saveArchive(archive, tracks, savedPhotos()).ok);
    ASSERT_EQ(load(archive).stored, 3);
    const std::vector<TrackHeader> first = stored();

    // OK keeps the stored track; Overwrite replaces one; Always replaces the rest unasked.
    prompt_.overwriteAnswers = {OverwriteAnswer::Ok, OverwriteAnswer::Overwrite,
                                OverwriteAnswer::Ok};
    ArchiveLoadResult second = load(archive);
    EXPECT_EQ(second.kept, 2);
    EXPECT_EQ(second.replaced, 1);
    EXPECT_EQ(second.stored, 0);
    ASSERT_EQ(prompt_.said.size(), 3u);
    EXPECT_EQ(prompt_.said[0],
              "overwrite: In the database has an the same|record, do you want to overwrite?");
    std::vector<TrackHeader> now = stored();
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(now[0].objid, first[0].objid);
    EXPECT_NE(now[1].objid, first[1].objid);
    EXPECT_EQ(now[1].points.size(), 4u);
    EXPECT_EQ(now[2].objid, first[2].objid);

    prompt_.said.clear();
    prompt_.overwriteAnswers = {OverwriteAnswer::AlwaysOverwrite};
    ArchiveLoadResult third = load(archive);
    EXPECT_EQ(third.replaced, 3);
    EXPECT_EQ(prompt_.said.size(), 1u);
    now = stored();
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(db_.scalar("select count(*) from TKPT;"), 12);
}

// Text in memory is read twice as a file is, from its start each time.
TEST_F(TrackArchive, TextInMemoryLoadsAsAFileDoes) {
    const auto archive = dir_ / "mem.prg";
    ASSERT_TRUE(saveArchive(archive,
                            {makeTrack(5, oleDate(2020, 5, 1, 8, 0, 0)),
                             makeTrack(7, oleDate(2020, 5, 2, 8, 0, 0))},
                            savedPhotos())
                    .ok);
    const std::string text = readFile(archive);
    const ArchiveLoadResult cut =
        loadArchiveText(text.substr(0, text.size() - 12), archive, db_, prompt_, options_);
    EXPECT_FALSE(cut.isArchive);
    EXPECT_TRUE(stored().empty());
    const ArchiveLoadResult result = loadArchiveText(text, archive, db_, prompt_, options_);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.stored, 2);
    EXPECT_EQ(result.pointsStored, 12);
    EXPECT_EQ(stored().size(), 2u);
}

TEST_F(TrackArchive, ImplausibleStepsAreDropped) {
    // 0.0045 degrees of latitude are about 500 m.
    const double t0 = oleDate(2020, 1, 1, 0, 0, 0);
    const double second = 1.0 / 86400;
    writeFile(dir_ / "jumps.prg",
              "<track><item>"
              "<point lat=\"10\" lng=\"20\" time=\"" +
                  std::to_string(t0) +
                  "\"/>"
                  "<point lat=\"10.0045\" lng=\"20\" time=\"" +
                  std::to_string(t0 + 2 * second) +
                  "\"/>"  // 500 m in 2 s: dropped
                  "<point lat=\"10.0045\" lng=\"20\" time=\"" +
                  std::to_string(t0 + 10 * second) +
                  "\"/>"  // 500 m in 10 s: kept
                  "<point lat=\"10.00539\" lng=\"20\" time=\"" +
                  std::to_string(t0 + 10 * second) +
                  "\"/>"  // 99 m in no time: kept
                  "</item></track>");
    const ArchiveLoadResult result = load(dir_ / "jumps.prg");
    EXPECT_EQ(result.pointsStored, 3);
    EXPECT_EQ(result.pointsDropped, 1);
    const std::vector<TrackHeader> back = stored();
    ASSERT_EQ(back.size(), 1u);
    EXPECT_NEAR(back[0].points[2].lat, 10.00539, 1e-5);
}

TEST(PhotoNames, OnlyPlainNamesAndPlainExtensionsPass) {
    for (const char* name :
         {"a.jpg", "20111220130509123.jpg", "photo 1 (copy).JPG", "..a", "é.png"}) {
        EXPECT_TRUE(isPlainFileName(name)) << name;
    }
    for (const char* name : {"", ".", "..", "../a.jpg", "a/b.jpg", "/etc/passwd", "a\\b.jpg",
                             "C:\\x.jpg", "a\nb.jpg", "a\tb"}) {
        EXPECT_FALSE(isPlainFileName(name)) << name;
    }
    EXPECT_FALSE(isPlainFileName(std::string("a\0b.jpg", 7)));
    EXPECT_FALSE(isPlainFileName(std::string(256, 'a')));
    EXPECT_EQ(plainExtension("a.jpg"), ".jpg");
    EXPECT_EQ(plainExtension("a.b.JPEG"), ".JPEG");
    EXPECT_EQ(plainExtension("noextension"), "");
    EXPECT_EQ(plainExtension(".hidden"), "");
    EXPECT_EQ(plainExtension("a."), "");
    EXPECT_EQ(plainExtension("a.j pg"), "");
    EXPECT_EQ(plainExtension("a.jpg'"), "");
    EXPECT_EQ(plainExtension("a." + std::string(17, 'x')), "");
    EXPECT_EQ(photoFileName("C:\\Program\\photos\\x.jpg"), "x.jpg");
    EXPECT_EQ(photoFileName("/home/u/photos/y.png"), "y.png");
    EXPECT_EQ(photoFileName("/home/u/photos/"), "");
}

TEST(PhotoNames, StampsCountOnWithinOneMillisecondAndAcrossMidnight) {
    SystemTime t = fixedClock();
    t.hour = 23;
    t.minute = 59;
    t.second = 59;
    t.milliseconds = 999;
    PhotoStamps stamps([t] { return t; });
    EXPECT_EQ(stamps.next(), "20111220235959999");
    EXPECT_EQ(stamps.next(), "20111221000000000");
    EXPECT_EQ(stamps.next(), "20111221000000001");
}

TEST(ArchivePhotoFolder, IsThePathWithoutItsExtension) {
    EXPECT_EQ(archivePhotoFolder("/a/b/trip.prg"), "/a/b/trip");
    EXPECT_EQ(archivePhotoFolder("/a/b/trip.2020.prg"), "/a/b/trip.2020");
    EXPECT_EQ(archivePhotoFolder("/a/b/trip"), "/a/b/trip_photos");
}

}  // namespace
}  // namespace vandrel
