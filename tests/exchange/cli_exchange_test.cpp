// vandrel-cli export and archive as a user runs them, and the real-data round trip: recorded
// GPX → vandrel-sim logger image → download → export gpx → compared with the recording.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <tinyxml2.h>

#include <cmath>
#include <map>
#include <sstream>

#include "device/settings_file.h"
#include "exchange_support.h"

namespace vandrel {
namespace {

using namespace testing;

using ProgramRun = testing::ProcessResult;

class CliExchange : public ::testing::Test {
  protected:
    ProgramRun run(const std::string& program, const std::string& arguments) {
        return runProgram(program, arguments, dir_.path());
    }
    ProgramRun cli(const std::string& arguments, const std::string& program = "program") {
        return run("vandrel-cli", "--data-dir " + (dir_ / program).string() + " " + arguments);
    }
    // Makes a logger image and downloads it into the program folder; the stored times are
    // local times at UTC+offset and tzome says so.
    void download(const std::string& sim, int offsetMinutes = 0,
                  const std::string& program = "program") {
        std::filesystem::create_directories(dir_ / program);
        DeviceSettings settings;
        settings.TimeZone = -offsetMinutes;
        ASSERT_TRUE(saveSettingsFile(dir_ / program / "settings.xml", settings));
        const ProgramRun made =
            run("vandrel-sim",
                "create " + image() + " " + sim + " --tz-offset " + std::to_string(offsetMinutes));
        ASSERT_EQ(made.exitCode, 0) << made.err;
        const ProgramRun got = cli("--device " + image() + " download", program);
        ASSERT_EQ(got.exitCode, 0) << got.err;
    }
    std::vector<int> trackIds(const std::string& program = "program") {
        std::vector<int> ids;
        std::istringstream lines(cli("tracks", program).out);
        std::string line;
        while (std::getline(lines, line)) {
            ids.push_back(std::stoi(line));
        }
        return ids;
    }
    std::string image() const { return (dir_ / "logger.img").string(); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    TempDir dir_;
};

TEST_F(CliExchange, ExportsAStoredTrackByItsId) {
    download("--tracks 2 --points 120 --start 2026-05-01T06:00:00", 120);
    const std::vector<int> ids = trackIds();
    ASSERT_EQ(ids.size(), 2u);
    ProgramRun gpx = cli("export gpx " + std::to_string(ids[1]) + " " + path("t.gpx"));
    ASSERT_EQ(gpx.exitCode, 0) << gpx.err;
    EXPECT_EQ(gpx.err, "");
    const std::string text = readFile(path("t.gpx"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 120 * 9 + 13);
    // The logger's local 06:00 at UTC+02:00 is 04:00 UTC.
    EXPECT_NE(text.find("<time>2026-05-02T04:00:00Z</time>"), std::string::npos);

    ProgramRun kmz = cli("export kmz " + std::to_string(ids[0]) + " " + path("t.kmz"));
    ASSERT_EQ(kmz.exitCode, 0) << kmz.err;
    const std::vector<ZipEntry> entries = readZip(path("t.kmz"));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[2].name, "files/s.png");
    EXPECT_EQ(entries[2].data.substr(1, 3), "PNG");

    ProgramRun unknown = cli("export gpx 999 " + path("x.gpx"));
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("No stored track has the id 999"), std::string::npos);
    ProgramRun unwritable =
        cli("export kmz " + std::to_string(ids[0]) + " " + path("no/such/t.kmz"));
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_EQ(unwritable.err.rfind("Cannot write " + path("no/such/t.kmz") + ": ", 0), 0u)
        << unwritable.err;
    EXPECT_EQ(cli("export gpx").exitCode, 1);
}

TEST_F(CliExchange, ArchivesSaveAndLoadWithEachOverwriteChoice) {
    download("--tracks 3 --points 50 --start 2026-05-01T06:00:00");
    const std::vector<int> ids = trackIds();
    ASSERT_EQ(ids.size(), 3u);

    ProgramRun backup = cli("archive save " + path("all.prg"));
    ASSERT_EQ(backup.exitCode, 0) << backup.err;
    EXPECT_EQ(backup.err, "Backup Complete!\n");
    EXPECT_EQ(backup.out,
              "Saved 3 tracks and 150 points to " + path("all.prg") + ", 0 photos copied\n");
    EXPECT_TRUE(std::filesystem::is_directory(path("all")));

    // Given tracks go in start order, whatever order they are named in.
    ProgramRun some = cli("archive save " + path("some.prg") + " " + std::to_string(ids[2]) + " " +
                          std::to_string(ids[0]));
    ASSERT_EQ(some.exitCode, 0) << some.err;
    EXPECT_EQ(some.err, "");
    EXPECT_EQ(cli("archive save " + path("x.prg") + " 4242").exitCode, 1);
    EXPECT_EQ(cli("archive save ''").err, "Please select a backup file!\n");

    ProgramRun first = cli("archive load " + path("some.prg"), "other");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.err.rfind("2 tracks stored, 0 replaced, 0 kept, 0 skipped", 0), 0u)
        << first.err;
    EXPECT_EQ(cli("tracks", "other").out.substr(0, 40), cli("tracks").out.substr(0, 40));

    // Without a terminal the question keeps the stored track.
    ProgramRun asked = cli("archive load " + path("all.prg"), "other");
    ASSERT_EQ(asked.exitCode, 0) << asked.err;
    EXPECT_EQ(asked.err.rfind("1 tracks stored, 0 replaced, 2 kept, 0 skipped", 0), 0u)
        << asked.err;
    ProgramRun kept = cli("archive load " + path("all.prg") + " --overwrite keep", "other");
    EXPECT_EQ(kept.err.rfind("0 tracks stored, 0 replaced, 3 kept, 0 skipped", 0), 0u);
    ProgramRun always = cli("archive load " + path("all.prg") + " --overwrite always", "other");
    EXPECT_EQ(always.err.rfind("0 tracks stored, 3 replaced, 0 kept, 0 skipped", 0), 0u);
    EXPECT_EQ(trackIds("other").size(), 3u);

    EXPECT_EQ(cli("archive load " + path("all.prg") + " --overwrite sometimes").exitCode, 1);
    writeFile(path("junk.prg"), "not xml");
    ProgramRun junk = cli("archive load " + path("junk.prg"), "other");
    EXPECT_EQ(junk.exitCode, 1);
    EXPECT_EQ(junk.err.rfind("Not a track archive: " + path("junk.prg"), 0), 0u) << junk.err;
}

// One point of a GPX file: position, elevation (NaN when absent) and UTC seconds.
struct GpxPoint {
    double lat = 0;
    double lon = 0;
    double ele = NAN;
    double time = 0;
};

std::optional<double> utcSeconds(const char* text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double s = 0;
    int used = 0;
    if (text == nullptr ||
        std::sscanf(text, "%d-%d-%dT%d:%d:%lf%n", &y, &mo, &d, &h, &mi, &s, &used) != 6) {
        return std::nullopt;
    }
    double seconds = static_cast<double>(daysFromCivil(y, mo, d)) * 86400 + h * 3600 + mi * 60 + s;
    int zh = 0, zm = 0;
    char sign = 0;
    if (std::sscanf(text + used, "%c%d:%d", &sign, &zh, &zm) == 3 && (sign == '+' || sign == '-')) {
        seconds -= (sign == '+' ? 1 : -1) * (zh * 3600 + zm * 60);
    }
    return seconds;
}

void collectPoints(const tinyxml2::XMLElement* element, std::vector<GpxPoint>& points) {
    for (auto* e = element->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
        const std::string name = e->Name();
        if (name.size() >= 5 && name.substr(name.size() - 5) == "trkpt") {
            GpxPoint p;
            p.lat = e->DoubleAttribute("lat", NAN);
            p.lon = e->DoubleAttribute("lon", NAN);
            const tinyxml2::XMLElement* ele = e->FirstChildElement("ele");
            if (ele != nullptr && ele->GetText() != nullptr) {
                p.ele = std::atof(ele->GetText());
            }
            const tinyxml2::XMLElement* time = e->FirstChildElement("time");
            const auto seconds = utcSeconds(time != nullptr ? time->GetText() : nullptr);
            if (seconds && !std::isnan(p.lat) && !std::isnan(p.lon)) {
                p.time = *seconds;
                points.push_back(p);
            }
        } else {
            collectPoints(e, points);
        }
    }
}

std::vector<GpxPoint> readGpx(const std::filesystem::path& file) {
    tinyxml2::XMLDocument doc;
    std::vector<GpxPoint> points;
    if (doc.LoadFile(file.c_str()) == tinyxml2::XML_SUCCESS) {
        collectPoints(doc.RootElement(), points);
    }
    return points;
}

std::vector<std::filesystem::path> recordedTracks() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(testData("tracks"))) {
        if (entry.path().extension() == ".gpx") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST_F(CliExchange, RecordedTracksComeBackFromTheLoggerAsTheyWereRecorded) {
    const std::vector<std::filesystem::path> files = recordedTracks();
    ASSERT_FALSE(files.empty()) << testData("tracks");
    int fileNumber = 0;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const std::vector<GpxPoint> original = readGpx(file);
        std::multimap<int64_t, GpxPoint> byTime;
        for (const GpxPoint& p : original) {
            byTime.emplace(static_cast<int64_t>(std::floor(p.time)), p);
        }
        // Every other file is logged at UTC+05:30, so that the shift back to UTC is checked.
        const int offset = fileNumber++ % 2 == 0 ? 0 : 330;
        const std::string program = "p" + std::to_string(fileNumber);
        download("--gpx '" + file.string() + "'", offset, program);
        size_t exported = 0;
        for (int id : trackIds(program)) {
            const std::string out = path(program + "-" + std::to_string(id) + ".gpx");
            ASSERT_EQ(cli("export gpx " + std::to_string(id) + " " + out, program).exitCode, 0);
            for (const GpxPoint& p : readGpx(out)) {
                ++exported;
                // A recording may hold several fixes in one second: the closest one counts.
                const auto [from, to] = byTime.equal_range(static_cast<int64_t>(p.time));
                const GpxPoint* match = nullptr;
                for (auto it = from; it != to; ++it) {
                    const GpxPoint& q = it->second;
                    if (std::fabs(q.lat - p.lat) < 1e-5 && std::fabs(q.lon - p.lon) < 1e-5 &&
                        (match == nullptr || std::isnan(q.ele) ||
                         std::fabs(q.ele - p.ele) < std::fabs(match->ele - p.ele))) {
                        match = &q;
                    }
                }
                ASSERT_NE(match, nullptr)
                    << "no recorded point at " << p.lat << "," << p.lon << " at " << p.time;
                // The logger keeps whole feet (half a foot off at most) and GPX gets whole
                // metres, the fraction dropped.
                if (!std::isnan(match->ele)) {
                    EXPECT_LE(std::fabs(match->ele - p.ele), 1.0 + 0.1524 + 1e-6)
                        << "at " << p.lat << "," << p.lon << " at " << p.time;
                }
            }
        }
        RecordProperty(file.filename().string(),
                       std::to_string(exported) + " of " + std::to_string(original.size()));
        EXPECT_GE(exported, original.size() * 9 / 10);
    }
}

}  // namespace
}  // namespace vandrel

namespace vandrel {
namespace {

// vandrel-cli import as a user runs it: what it stored and skipped in one line, an answer to
// the overwrite question from the command line, and a file it cannot read told with its name.
TEST(CliImport, SaysWhatItStoredAndSkipped) {
    TempDir dir;
    const std::string files = "'" + testData("tracks/blue-hills.gpx").string() + "' '" +
                              testData("tracks/atemp.gpx").string() + "'";
    const std::string program = "--data-dir '" + (dir / "program").string() + "' import ";
    ProcessResult first = runProgram("vandrel-cli", program + files, dir.path());
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out.rfind("4 tracks stored, ", 0), 0u) << first.out;
    ProcessResult again =
        runProgram("vandrel-cli", program + files + " --overwrite keep", dir.path());
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out.rfind("0 tracks stored, 4 skipped as already stored", 0), 0u) << again.out;
    writeFile(dir / "broken.gpx", "<gpx><trk>");
    ProcessResult broken =
        runProgram("vandrel-cli", program + "'" + (dir / "broken.gpx").string() + "'", dir.path());
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_NE(broken.out.find("\nbroken.gpx: the file ends early at line 1; the track it "
                              "breaks off in had too few whole points to keep"),
              std::string::npos)
        << broken.out;
    // A night's track is listed on both of its days.
    writeFile(dir / "night.gpx",
              "<gpx><trk><trkseg><trkpt lat=\"47\" lon=\"8\"><time>2025-03-01T23:50:00+02:00"
              "</time></trkpt><trkpt lat=\"47.001\" lon=\"8\"><time>2025-03-02T00:10:00+02:00"
              "</time></trkpt></trkseg></trk></gpx>");
    ASSERT_EQ(
        runProgram("vandrel-cli", program + "'" + (dir / "night.gpx").string() + "'", dir.path())
            .exitCode,
        0);
    const std::string list = "--data-dir '" + (dir / "program").string() + "' tracks --day ";
    for (const std::string day : {"2025-03-01", "2025-03-02"}) {
        const ProcessResult listed = runProgram("vandrel-cli", list + day, dir.path());
        EXPECT_NE(listed.out.find("2025-03-01 23:50:00"), std::string::npos) << day;
    }
    writeFile(dir / "notes.txt", "these are no tracks");
    ProcessResult text =
        runProgram("vandrel-cli", program + "'" + (dir / "notes.txt").string() + "'", dir.path());
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_NE(text.err.find("notes.txt"), std::string::npos) << text.err;
}

}  // namespace
}  // namespace vandrel
