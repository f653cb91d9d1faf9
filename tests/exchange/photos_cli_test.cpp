// vandrel-cli photos as a user runs it on a folder of a day's photos: JPEGs made here with
// capture times written by the exiv2 tool, a stored track with a gap, and the copies' GPS tags
// read back with exiv2.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <sstream>

#include "exchange_support.h"
#include "flows/photos_by_time.h"
#include "jpeg_file.h"
#include "store/sqlite_db.h"
#include "store/track_summary.h"

namespace vandrel {
namespace {

using namespace testing;
namespace fs = std::filesystem;

constexpr int kLimitSeconds = 120;  // a run that would block fails instead

class PhotosCli : public ::testing::Test {
  protected:
    // Fixes every 5 s from 06:00 to 06:10 local time at UTC+02:00, none from 06:04 to 06:08.
    void SetUp() override {
        SKIP_WITHOUT_TOOL("exiv2");
        fs::create_directories(dir_ / "program");
        Session session{DataFolder(dir_ / "program")};
        session.openStore();
        TrackHeader track = makeTrack(121, oleDate(2026, 5, 1, 6, 0, 0), 22.5f, 114.25f, -120);
        track.points.erase(track.points.begin() + 48, track.points.begin() + 96);
        computeSummary(track);
        session.database().insertTrack(track);
        for (TrackPoint& point : track.points) {
            point.tkid = track.objid;
            session.database().insertPoint(point);
        }
        trackId_ = track.objid;
    }
    // A photo taken at the camera's "YYYY:MM:DD HH:MM:SS", in its zone when one is given.
    void photo(const std::string& name, const std::string& taken, const std::string& zone = {}) {
        const fs::path file = dir_ / name;
        fs::create_directories(file.parent_path());
        writeFile(file, greyJpeg(64, 48));
        std::string tags = "-M'set Exif.Photo.DateTimeOriginal " + taken + "'";
        if (!zone.empty()) {
            tags += " -M'set Exif.Photo.OffsetTimeOriginal " + zone + "'";
        }
        const ToolRun set = runTool("exiv2 " + tags + " " + quotedPath(file));
        ASSERT_EQ(set.exitCode, 0) << set.out;
    }
    ProcessResult photos(const std::string& arguments) {
        return runProgram("vandrel-cli",
                          "--data-dir " + quotedPath(dir_ / "program") + " photos " +
                              std::to_string(trackId_) + " " + arguments,
                          dir_.path(), kLimitSeconds);
    }
    // The line printed for a photo, from its name on.
    static std::string lineOf(const std::string& out, const std::string& name) {
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);) {
            if (const auto at = line.find("/" + name + "  "); at != std::string::npos) {
                return line.substr(at + 1);
            }
        }
        return "(no line for " + name + ")";
    }
    std::vector<fs::path> copies() const {
        std::vector<fs::path> files;
        for (const std::string& name : fileNames(dir_ / "program" / "photos")) {
            files.push_back(dir_ / "program" / "photos" / name);
        }
        return files;
    }

    TempDir dir_;
    int trackId_ = 0;
};

// "22/1 30/1 4320/1000" as degrees.
double degrees(const std::string& rationals) {
    std::istringstream in(rationals);
    double total = 0;
    double unit = 1;
    for (std::string part; in >> part; unit *= 60) {
        const auto slash = part.find('/');
        total += std::stod(part.substr(0, slash)) / std::stod(part.substr(slash + 1)) / unit;
    }
    return total;
}

std::string tag(const fs::path& file, const std::string& key) {
    std::string value = runTool("exiv2 -q -Pv -K " + key + " " + quotedPath(file)).out;
    while (!value.empty() && value.back() == '\n') {
        value.pop_back();
    }
    return value;
}

TEST_F(PhotosCli, ListsWhereEachPhotoOfAFolderGoesAndWhyOthersGoNowhere) {
    // The camera runs a minute fast.
    photo("day/a.jpg", "2026:05:01 06:02:02");
    photo("day/c.jpg", "2026:05:01 06:03:30");
    photo("day/sub/b.jpg", "2026:05:01 05:03:30", "+01:00");
    photo("day/early.jpg", "2026:05:01 05:30:00");
    photo("day/gap.jpg", "2026:05:01 06:06:30");
    photo("day/late.jpg", "2026:05:01 06:15:00");
    writeFile(dir_ / "day/notime.jpg", greyJpeg(8, 8));
    writeFile(dir_ / "day/notes.txt", "not a photo");
    // Links out of the folder are not followed.
    photo("outside/linked.jpg", "2026:05:01 06:02:02");
    fs::create_directory_symlink(dir_ / "outside", dir_ / "day/elsewhere");
    fs::create_symlink(dir_ / "outside/linked.jpg", dir_ / "day/link.jpg");

    const ProcessResult plain = photos(quotedPath(dir_ / "day") + " --max-gap 60 --dry-run");
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_NE(lineOf(plain.out, "a.jpg").find("point 2026-05-01 06:02:00"), std::string::npos)
        << plain.out;

    const ProcessResult fast =
        photos(quotedPath(dir_ / "day") + " --offset 00:01:00 --max-gap 60 --dry-run");
    ASSERT_EQ(fast.exitCode, 0) << fast.err;
    const std::string out = fast.out;
    EXPECT_NE(lineOf(out, "a.jpg").find("point 2026-05-01 06:01:00"), std::string::npos) << out;
    // b names its zone, UTC+01:00: 05:02:30 there is 06:02:30 on the track, where c went.
    EXPECT_NE(lineOf(out, "c.jpg").find("point 2026-05-01 06:02:30"), std::string::npos) << out;
    EXPECT_NE(lineOf(out, "b.jpg").find("point 2026-05-01 06:02:25"), std::string::npos) << out;
    EXPECT_NE(lineOf(out, "b.jpg").find("which holds another photo"), std::string::npos) << out;
    EXPECT_NE(lineOf(out, "early.jpg").find("not placed: taken before the track began"),
              std::string::npos);
    EXPECT_NE(lineOf(out, "gap.jpg").find("not placed: no track point within the largest gap"),
              std::string::npos);
    EXPECT_NE(lineOf(out, "late.jpg").find("not placed: taken after the track ended"),
              std::string::npos);
    EXPECT_EQ(lineOf(out, "notime.jpg"), "notime.jpg  not placed: no capture time");
    EXPECT_EQ(lineOf(out, "notes.txt"), "notes.txt  not placed: not an image");
    EXPECT_EQ(out.find("link"), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 8);
    EXPECT_FALSE(fs::exists(dir_ / "program" / "photos"));

    // Asked for, a file's date (in the computer's zone) stands in for a missing capture time.
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 4;
    local.tm_mday = 1;
    local.tm_hour = 6;
    local.tm_min = 4;
    local.tm_isdst = -1;
    const utimbuf modified{std::mktime(&local), std::mktime(&local)};
    ASSERT_EQ(::utime((dir_ / "day/notime.jpg").c_str(), &modified), 0);
    const ProcessResult dated =
        photos(quotedPath(dir_ / "day") + " --offset 1:00 --file-dates --dry-run");
    EXPECT_NE(lineOf(dated.out, "notime.jpg")
                  .find("file date 2026-05-01 06:04:00  point 2026-05-01 06:03:00"),
              std::string::npos)
        << dated.out;

    // The offset that puts a on the 13th point, 06:01:00.
    const ProcessResult chosen = photos(quotedPath(dir_ / "day") + " --offset-from " +
                                        quotedPath(dir_ / "day/a.jpg") + "=13 --dry-run");
    ASSERT_EQ(chosen.exitCode, 0) << chosen.err;
    EXPECT_EQ(chosen.out.rfind("camera offset +00:01:02\n", 0), 0u) << chosen.out;
    EXPECT_NE(lineOf(chosen.out, "a.jpg").find("point 2026-05-01 06:01:00"), std::string::npos);
    // By its name alone, as the listing shows it among the folder's photos.
    const ProcessResult named =
        photos(quotedPath(dir_ / "day") + " --offset-from a.jpg=13 --dry-run");
    EXPECT_EQ(named.out.rfind("camera offset +00:01:02\n", 0), 0u) << named.err;

    const ProcessResult wrong = photos(quotedPath(dir_ / "day") + " --offset 1:75");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_NE(wrong.err.find("--offset takes"), std::string::npos);
}

// What is given is no ordinary photo: a FIFO, a name with a newline, a folder that cannot be
// opened, a date of 9999. Each is told on its own line, by name, and nothing blocks or
// overflows.
TEST_F(PhotosCli, HostileInputsAreToldByName) {
    photo("day/a.jpg", "2026:05:01 06:02:02");
    photo("day/two\nlines.jpg", "2026:05:01 06:03:30");
    photo("day/locked/b.jpg", "2026:05:01 06:03:00");
    photo("far.jpg", "9999:12:31 23:59:59");
    ASSERT_EQ(::mkfifo((dir_ / "pipe.jpg").c_str(), 0600), 0);
    fs::permissions(dir_ / "day/locked", fs::perms::none);

    const ProcessResult listed =
        photos(quotedPath(dir_ / "day") + " " + quotedPath(dir_ / "pipe.jpg") + " --dry-run");
    fs::permissions(dir_ / "day/locked", fs::perms::owner_all);
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(lineOf(listed.out, "pipe.jpg"),
              "pipe.jpg  not placed: unreadable: it is a FIFO, not a regular file");
    EXPECT_NE(lineOf(listed.out, "two\\nlines.jpg").find("point 2026-05-01 06:03:30"),
              std::string::npos)
        << listed.out;
    if (::geteuid() != 0) {  // root opens any folder
        EXPECT_EQ(lineOf(listed.out, "locked"), "locked  not placed: unreadable: Permission denied")
            << listed.out;
    }

    const ProcessResult far = photos(quotedPath(dir_ / "day") + " --offset-from " +
                                     quotedPath(dir_ / "far.jpg") + "=1 --dry-run");
    EXPECT_EQ(far.exitCode, 1);
    EXPECT_NE(far.err.find("far.jpg=1 gives a camera offset beyond 7 days"), std::string::npos)
        << far.out << far.err;
}

TEST_F(PhotosCli, AttachesCopiesCarryingTheirPositionAndLeavesTheOriginals) {
    photo("day/a.jpg", "2026:05:01 06:01:02");
    photo("day/b.jpg", "2026:05:01 06:09:58");
    photo("day/late.jpg", "2026:05:01 07:00:00");
    const std::string a = readFile(dir_ / "day/a.jpg");
    const std::string b = readFile(dir_ / "day/b.jpg");

    // What a stopped run left is cleared: a copy with its position, and a copy made but never
    // stored in a point, which its list names; no temporary folder is needed outside the
    // program folder.
    const fs::path left = dir_ / "program/photos/.with-position-Xy12ab";
    fs::create_directories(left);
    writeFile(left / "a.jpg", a);
    writeFile(dir_ / "program/photos/20260501060102000.jpg", a);
    writeFile(dir_ / "program/photos/.copies-of-a-load", "20260501060102000.jpg\n");
    ::setenv("TMPDIR", (dir_ / "missing").c_str(), 1);
    const ProcessResult attached = photos(quotedPath(dir_ / "day") + " --write-gps");
    ::unsetenv("TMPDIR");
    ASSERT_EQ(attached.exitCode, 0) << attached.err;
    EXPECT_FALSE(fs::exists(left));
    EXPECT_FALSE(fs::exists(dir_ / "program/photos/20260501060102000.jpg"));
    EXPECT_FALSE(fs::exists(dir_ / "program/photos/.copies-of-a-load"));
    EXPECT_EQ(attached.err, "2 photos attached, 1 not placed.\n");
    EXPECT_EQ(readFile(dir_ / "day/a.jpg"), a);
    EXPECT_EQ(readFile(dir_ / "day/b.jpg"), b);

    // The copies are named by the time of the copy, so a's comes first.
    const std::vector<fs::path> files = copies();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(tag(files[0], "Exif.Photo.DateTimeOriginal"), "2026:05:01 06:01:02");
    // The point of 06:01:00 is the 13th fix, 0.0012 degrees north of the first; 04:01 UTC.
    EXPECT_NEAR(degrees(tag(files[0], "Exif.GPSInfo.GPSLatitude")), 22.5012, 1e-5);
    EXPECT_EQ(tag(files[0], "Exif.GPSInfo.GPSLatitudeRef"), "N");
    EXPECT_NEAR(degrees(tag(files[0], "Exif.GPSInfo.GPSLongitude")), 114.25, 1e-5);
    EXPECT_EQ(tag(files[0], "Exif.GPSInfo.GPSAltitude"), "11200/100");
    EXPECT_EQ(tag(files[0], "Exif.GPSInfo.GPSTimeStamp"), "4/1 1/1 0/1");
    EXPECT_EQ(tag(files[0], "Exif.GPSInfo.GPSDateStamp"), "2026:05:01");

    // The points name their copies, as the map's markers and the bubble read them.
    Session session{DataFolder(dir_ / "program")};
    session.openStore();
    const std::optional<TrackHeader> track = storedTrackWithPoints(session, trackId_);
    ASSERT_TRUE(track.has_value());
    EXPECT_EQ(track->points[12].pho, files[0].string());
    EXPECT_EQ(track->points.back().pho, files[1].string());

    // The same folder again, with or without positions: the track holds those photos already.
    for (const std::string gps : {" --write-gps", ""}) {
        const ProcessResult again = photos(quotedPath(dir_ / "day") + gps);
        ASSERT_EQ(again.exitCode, 0) << again.err;
        EXPECT_EQ(again.err, "0 photos attached, 1 not placed, 2 already attached.\n");
        EXPECT_NE(lineOf(again.out, "a.jpg").find("already attached to this track, at point 13"),
                  std::string::npos)
            << again.out;
        EXPECT_EQ(copies().size(), 2u);
    }
}

}  // namespace
}  // namespace vandrel
