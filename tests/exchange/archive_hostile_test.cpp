// Archives that did not come from the program: hostile photo names, missing attributes,
// items without points, deep nesting, files that are not XML, and a database that fails in
// the middle of a track; and hostile photo names in the database written out.
#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <map>

#include "exchange/kmz_export.h"
#include "exchange/track_archive.h"
#include "exchange_support.h"
#include "scripted_prompt.h"
#include "store/track_summary.h"

namespace vandrel {
namespace {

using namespace testing;

std::string point(double lat, double lng, double time, const std::string& pho = {}) {
    return "<point lat=\"" + std::to_string(lat) + "\" lng=\"" + std::to_string(lng) +
           "\" time=\"" + std::to_string(time) + "\" alt=\"1\" bar=\"2\" tmp=\"3\" pho=\"" + pho +
           "\"/>";
}

// Every file below a folder with its content, the database and the photos folder left out.
std::map<std::string, std::string> snapshot(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        if (name.rfind("Vandrel.db", 0) == 0 || name.rfind("program", 0) == 0) {
            continue;
        }
        files[name] = entry.is_symlink()        ? "link"
                      : entry.is_regular_file() ? readFile(entry.path())
                                                : "folder";
    }
    return files;
}

class HostileArchive : public ::testing::Test {
  protected:
    HostileArchive() {
        db_.openStore(dir_ / "Vandrel.db");
        options_.photosFolder = dir_ / "program" / "photos";
    }
    ArchiveLoadResult load(const std::string& name, const std::string& text) {
        writeFile(dir_ / name, text);
        return loadArchive(dir_ / name, db_, prompt_, options_);
    }
    int tracks() { return db_.scalar("select count(*) from TK;"); }
    int points() { return db_.scalar("select count(*) from TKPT;"); }

    const double t0_ = oleDate(2020, 3, 1, 10, 0, 0);
    const double s_ = 1.0 / 86400;
    TempDir dir_;
    TrackDatabase db_;
    ScriptedPrompt prompt_;
    ArchiveLoadOptions options_;
};

TEST_F(HostileArchive, PhotoNamesNeverLeadOutOfThePhotoFolder) {
    const auto photos = dir_ / "in" / "evil";
    std::filesystem::create_directories(photos / "sub");
    writeFile(dir_ / "secret.jpg", "secret");
    writeFile(dir_ / "in" / "beside.jpg", "beside");
    writeFile(photos / "sub" / "x.jpg", "nested");
    writeFile(photos / "ok.jpg", "fine");
    writeFile(photos / "odd.j'pg", "odd extension");
    std::filesystem::create_symlink(dir_ / "secret.jpg", photos / "link.jpg");
    std::filesystem::create_directories(dir_ / "program" / "photos");
    const std::vector<std::string> names = {
        "../beside.jpg", "../../secret.jpg", (dir_ / "secret.jpg").string(),
        "sub/x.jpg",     "sub\\x.jpg",       "..",
        "link.jpg",      "ok.jpg",           "odd.j'pg",
        "missing.jpg",   "ok.jpg&#10;"};
    std::string items = "<track><item>";
    for (size_t i = 0; i < names.size(); ++i) {
        items += point(10, 20, t0_ + static_cast<double>(i) * s_, names[i]);
    }
    items += "</item></track>";
    writeFile(dir_ / "in" / "evil.prg", items);
    const auto before = snapshot(dir_.path());

    const ArchiveLoadResult result = loadArchive(dir_ / "in" / "evil.prg", db_, prompt_, options_);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.pointsStored, static_cast<int64_t>(names.size()));
    EXPECT_EQ(result.photosCopied, 2);
    EXPECT_EQ(result.photosNotCopied, static_cast<int>(names.size()) - 2);
    EXPECT_EQ(snapshot(dir_.path()), before);
    std::map<std::string, std::string> copied;
    for (const std::string& name : fileNames(options_.photosFolder)) {
        copied[readFile(options_.photosFolder / name)] = name;
    }
    ASSERT_EQ(copied.size(), 2u);
    EXPECT_EQ(copied["fine"].size(), 21u);
    EXPECT_EQ(copied["fine"].substr(17), ".jpg");
    // The odd extension is not carried over; the photo is copied without one.
    EXPECT_EQ(copied["odd extension"].size(), 17u);
    SqlQuery rows = db_.query("select pho from TKPT where pho<>'' order by objid;");
    int withPhoto = 0;
    for (; !rows.eof(); rows.nextRow()) {
        EXPECT_TRUE(std::filesystem::exists(rows.stringField(0)));
        ++withPhoto;
    }
    EXPECT_EQ(withPhoto, 2);
}

// A load killed while it copies a track's photos has left whole copies that no stored point
// names; the next load removes them and keeps those of the tracks it stored before.
TEST_F(HostileArchive, CopiesOfAKilledLoadAreRemovedByTheNext) {
    std::filesystem::create_directories(dir_ / "day");
    writeFile(dir_ / "day" / "small.jpg", "small");
    writeFile(dir_ / "day" / "large.jpg", std::string(256 * 1024, 'x'));
    writeFile(dir_ / "day.prg", "<track><item>" + point(10, 20, t0_, "small.jpg") +
                                    "</item><item>" + point(10, 20, t0_ + 1, "small.jpg") +
                                    point(10, 20, t0_ + 1 + s_, "large.jpg") + "</item></track>");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        const rlimit limit{128 * 1024, 128 * 1024};  // room for the database, not the photo
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_DFL);
        TrackDatabase db;
        db.openStore(dir_ / "Vandrel.db");
        loadArchive(dir_ / "day.prg", db, prompt_, options_);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    ASSERT_EQ(tracks(), 1);
    ASSERT_EQ(fileNames(options_.photosFolder).size(), 3u);  // two copies and the list

    ASSERT_TRUE(load("next.prg", "<track><item>" + point(10, 20, t0_ + 2) + "</item></track>").ok);
    const std::string kept = db_.query("select pho from TKPT where pho<>'';").stringField(0);
    EXPECT_EQ(fileNames(options_.photosFolder),
              std::vector<std::string>{std::filesystem::path(kept).filename().string()});
}

// libxml2 refuses a whole document for one byte that XML cannot hold.
bool wellFormed(const std::string& text) {
    xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "doc.kml", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    xmlFreeDoc(doc);
    return doc != nullptr;
}

// Whatever a stored photo path holds, the backup made of it loads again and the KMZ's document
// is XML: a name XML cannot hold as it is counts as a missing photo, the others come through.
TEST_F(HostileArchive, HostilePhotoNamesInTheDatabaseLeaveBackupAndKmzReadable) {
    const std::vector<std::string> names = {"cdata]]>.jpg",  "quotes\"'.jpg",   "markup<&>.jpg",
                                            "byte\xff.jpg",  "cut\xe2\x82.jpg", "bell\x07.jpg",
                                            "escape\x1b.jpg"};
    const size_t keptAsIs = 3;
    const auto photos = dir_ / "source" / "photos";
    std::filesystem::create_directories(photos);
    TrackHeader track = makeTrack(static_cast<int>(names.size()), t0_);
    for (size_t i = 0; i < names.size(); ++i) {
        writeFile(photos / names[i], "photo " + std::to_string(i));
        track.points[i].pho = (photos / names[i]).string();
    }
    computeSummary(track);
    TrackDatabase source;
    source.openStore(dir_ / "source" / "Vandrel.db");
    source.insertTrack(track);
    for (TrackPoint& p : track.points) {
        p.tkid = track.objid;
    }
    source.insertPoints(track.points);

    const auto archive = dir_ / "backup.prg";
    const ArchiveSaveResult saved =
        saveStoredTracks(archive, source, source.readTracksBetween(-1e9, 1e9, false), photos);
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(saved.photosCopied, static_cast<int>(keptAsIs));
    EXPECT_EQ(saved.photosNotCopied, static_cast<int>(names.size() - keptAsIs));
    const ArchiveLoadResult loaded = loadArchive(archive, db_, prompt_, options_);
    ASSERT_TRUE(loaded.ok) << loaded.error;
    EXPECT_EQ(loaded.stored, 1);
    EXPECT_EQ(loaded.photosCopied, static_cast<int>(keptAsIs));

    writeFile(dir_ / "s.png", "start icon");
    writeFile(dir_ / "e.png", "end icon");
    KmzOptions icons;
    icons.startIcon = dir_ / "s.png";
    icons.endIcon = dir_ / "e.png";
    icons.photosFolder = photos;
    const KmzResult exported =
        exportKmz(dir_ / "track.kmz", source.readTracksBetween(-1e9, 1e9).at(0), icons);
    ASSERT_TRUE(exported.ok) << exported.error;
    EXPECT_EQ(exported.filesMissing, static_cast<int>(names.size() - keptAsIs));
    const std::vector<ZipEntry> entries = readZip(dir_ / "track.kmz");
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries[0].name, "doc.kml");
    EXPECT_TRUE(wellFormed(entries[0].data)) << entries[0].data;
}

// A point whose position or time is missing, unreadable or impossible is skipped and counted:
// taken as 0 it would be stored at 0,0 on 1899-12-30. Measurements left out are 0.
TEST_F(HostileArchive, PointsWithMissingOrImpossibleNumbersAreSkippedAndCounted) {
    const std::string time = std::to_string(t0_);
    const std::string at = "time=\"" + time + "\"";
    const ArchiveLoadResult result =
        load("defaults.prg",
             "<anything><item><point/><point lat=\"0.0001\" lng=\"abc\" " + at +
                 "/><point lat=\"nan\"/><point time=\"1e300\"/><point lat=\"1\" lng=\"1e309\" " +
                 at + "/><point lat=\"90.5\" lng=\"1\" " + at + "/><point lat=\"1\" lng=\"-181\" " +
                 at + "/><point lat=\"1\" lng=\"1\"/><point lat=\"1\" lng=\"1\" " + at +
                 " alt=\"inf\"/><point lat=\"1\" lng=\"1\" " + at +
                 " bar=\"1e400\"/><point lat=\"1\" lng=\"1\" " + at +
                 " tmp=\"x\"/><point lat=\"-90\" lng=\"180\" " + at +
                 " tmp=\" 7.5 \"/></item></anything>");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.stored, 1);
    EXPECT_EQ(result.pointsDropped, 11);
    const std::vector<TrackHeader> back = db_.readTracksBetween(-1e9, 1e9);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].trail, 0);
    EXPECT_EQ(back[0].tzome, 0);
    ASSERT_EQ(back[0].points.size(), 1u);
    EXPECT_EQ(back[0].points[0].lat, -90.0f);
    EXPECT_EQ(back[0].points[0].lng, 180.0f);
    EXPECT_NEAR(back[0].points[0].sdate, t0_, 1e-6);
    EXPECT_EQ(back[0].points[0].alt, 0.0f);
    EXPECT_EQ(back[0].points[0].bar, 0.0f);
    EXPECT_EQ(back[0].points[0].tmp, 7.5f);
    EXPECT_EQ(back[0].points[0].pho, "");
}

TEST_F(HostileArchive, ItemsWithoutPointsAreSkippedAndCounted) {
    const ArchiveLoadResult result =
        load("empty-items.prg", "<track timezone=\"-60\"><item trail=\"1\"/><item>text</item>" +
                                    std::string("<item trail=\"2\">") + point(1, 1, t0_) +
                                    "</item><item><!-- nothing --></item></track>");
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.skipped, 3);
    EXPECT_EQ(result.stored, 1);
    EXPECT_EQ(tracks(), 1);
    EXPECT_EQ(db_.scalar("select trail from TK;"), 2);
    EXPECT_EQ(db_.scalar("select tzome from TK;"), -60);
}

// The load reads the archive as a stream: what makes a document unreadable may come after whole
// tracks, and still nothing is stored. Nor is anything a document type declares.
TEST_F(HostileArchive, WhatIsNotAnArchiveLoadsNothing) {
    std::string deep;
    std::string nested;
    for (int i = 0; i < 20000; ++i) {
        deep += "<item>";
    }
    for (int i = 0; i < 300; ++i) {
        nested = "<item>" + nested + "</item>";
    }
    const std::string twoTracks =
        "<track><item>" + point(1, 1, t0_) + "</item><item>" + point(2, 2, t0_ + 1) + "</item>";
    const std::vector<std::pair<std::string, std::string>> files = {
        {"deep.prg", "<track>" + deep + point(1, 1, t0_)},
        {"text.prg", "this is not XML at all"},
        {"empty.prg", ""},
        {"binary.prg", std::string("\x89PNG\r\n\x1a\n\0\0\0", 11)},
        {"cut.prg", "<track><item>" + point(1, 1, t0_) + "<point lat=\"1"},
        {"cut-late.prg", twoTracks + "<item>" + point(3, 3, t0_ + 2) + "<point lat=\"1"},
        {"second-root.prg", twoTracks + "</track><track/>"},
        {"deep-late.prg", twoTracks + nested + "</track>"},
        {"long-text-late.prg", twoTracks + std::string(10'000'001, 'x') + "</track>"},
        {"entities.prg",
         "<!DOCTYPE track [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
         "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY file SYSTEM \"/etc/passwd\">]>" +
             twoTracks + "<item>&c;&file;" + point(3, 3, t0_ + 2) + "</item></track>"},
        // Bytes the declared encoding does not have, after whole tracks.
        {"encoding-late.prg", "<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?>" + twoTracks +
                                  "<item>" + point(3, 3, t0_ + 2, "\xff\xfe") + "</item></track>"},
    };
    for (const auto& [name, text] : files) {
        // What the parser says goes into the result; nothing is printed.
        ::testing::internal::CaptureStderr();
        const ArchiveLoadResult result = load(name, text);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << name;
        EXPECT_FALSE(result.ok) << name;
        EXPECT_FALSE(result.isArchive) << name;
        EXPECT_EQ(result.error.rfind("Not a track archive: ", 0), 0u) << result.error;
    }
    EXPECT_FALSE(loadArchive(dir_ / "absent.prg", db_, prompt_, options_).isArchive);
    EXPECT_FALSE(loadArchive(dir_.path(), db_, prompt_, options_).isArchive);
    EXPECT_EQ(tracks(), 0);
    EXPECT_EQ(points(), 0);
}

// What the parser would spend time or memory on out of proportion to the file is refused before
// it sees it, and the archive with it.
TEST_F(HostileArchive, AnElementCarryingTooMuchIsRefused) {
    std::string attributes;
    for (int i = 0; i < 1000; ++i) {
        attributes += " a" + std::to_string(i) + "=\"\"";
    }
    const std::string item = "<item>" + point(1, 1, t0_) + "</item>";
    const std::string manyAttributes =
        "<track>" + item + "<item><point" + attributes + "/></item></track>";
    // In UTF-16 a character's bytes may read as quotes: each of these values holds one or
    // two, so that every '=' after the first would seem quoted to a check of the bytes.
    std::u16string quoted = u"<track><item><point x=\"\u2200\"";
    for (int i = 0; i < 2000; ++i) {
        quoted += u" a" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) +
                  std::u16string(1, static_cast<char16_t>(u'a' + i / 10 % 26)) +
                  std::u16string(1, static_cast<char16_t>(u'a' + i / 260)) + u"=\"\u2222\"";
    }
    quoted += u"/></item></track>";
    std::string wide = "\xff\xfe";
    for (const char16_t c : quoted) {
        wide += {static_cast<char>(c & 0xff), static_cast<char>(c >> 8)};
    }
    const std::vector<std::pair<std::string, std::string>> files = {
        {"point.prg", manyAttributes},
        {"utf16.prg", wide},
        {"root.prg", "<track" + attributes + ">" + item + "</track>"},
        {"long-tag.prg", "<track>" + item + "<item trail=\"" + std::string(70'000, '1') + "\">" +
                             point(2, 2, t0_ + 1) + "</item></track>"},
    };
    for (const auto& [name, text] : files) {
        const ArchiveLoadResult result = load(name, text);
        EXPECT_FALSE(result.isArchive) << name;
        EXPECT_EQ(result.error.rfind("Not a track archive: ", 0), 0u) << result.error;
        if (name != "utf16.prg") {
            EXPECT_NE(result.error.find("carries more than"), std::string::npos) << result.error;
        }
    }
    EXPECT_EQ(tracks(), 0);
}

// libxml2 holds the text before and after the root element, long texts between elements and
// comments anywhere, as many bytes as the file has.
TEST_F(HostileArchive, TextAndCommentsOutOfProportionAreRefused) {
    const std::string blanks(100'000, ' ');
    const std::string item = "<item>" + point(1, 1, t0_) + "</item>";
    std::string comments;
    for (int i = 0; i < 200; ++i) {
        comments += "<!--" + std::string(8000, 'c') + "-->" + item;
    }
    const std::vector<std::pair<std::string, std::string>> files = {
        {"before.prg", blanks + "<track>" + item + "</track>"},
        {"after.prg", "<track>" + item + "</track>" + blanks},
        {"inside.prg", "<track><item>" + blanks + point(1, 1, t0_) + "</item></track>"},
        {"comments.prg", "<track>" + comments + "</track>"},
    };
    for (const auto& [name, text] : files) {
        const ArchiveLoadResult result = load(name, text);
        EXPECT_FALSE(result.isArchive) << name;
        EXPECT_EQ(result.error.rfind("Not a track archive: ", 0), 0u) << result.error;
    }
    EXPECT_EQ(tracks(), 0);
}

// A point north of 50 degrees makes the database refuse the insert.
class FailingDatabase : public HostileArchive {
  protected:
    FailingDatabase() {
        db_.execute(
            "create trigger refuse before insert on TKPT when new.lat > 50 "
            "begin select raise(abort, 'disk full'); end;");
        std::filesystem::create_directories(dir_ / "bad");
        writeFile(dir_ / "bad" / "p.jpg", "photo");
    }
};

TEST_F(FailingDatabase, TheFailingTrackIsRolledBackAndTheLoadStops) {
    const std::string text = "<track><item>" + point(10, 10, t0_) + "</item><item>" +
                             point(50.5, 10, t0_ + 1, "p.jpg") + point(50.5, 10, t0_ + 1 + s_) +
                             point(50.5, 10, t0_ + 1 + 2 * s_) + "</item><item>" +
                             point(20, 10, t0_ + 2) + "</item></track>";
    const ArchiveLoadResult result = load("bad.prg", text);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.isArchive);
    EXPECT_EQ(result.stored, 1);
    EXPECT_EQ(result.photosCopied, 0);
    EXPECT_NE(result.error.find("disk full"), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("the load stopped"), std::string::npos) << result.error;
    EXPECT_EQ(tracks(), 1);
    EXPECT_EQ(points(), 1);
    EXPECT_TRUE(fileNames(options_.photosFolder).empty());
    // No transaction is left open.
    db_.beginTransaction();
    db_.commitTransaction();
}

TEST_F(FailingDatabase, AStoredTrackSurvivesAReplacementThatFails) {
    ASSERT_TRUE(load("good.prg", "<track><item>" + point(40, 10, t0_) + point(40, 10, t0_ + s_) +
                                     "</item></track>")
                    .ok);
    prompt_.overwriteAnswers = {OverwriteAnswer::Overwrite};
    const ArchiveLoadResult result =
        load("bad.prg", "<track><item>" + point(40, 10, t0_) + point(50.5, 10, t0_ + 20000 * s_) +
                            "</item></track>");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.replaced, 0);
    EXPECT_EQ(tracks(), 1);
    EXPECT_EQ(points(), 2);
}

}  // namespace
}  // namespace vandrel
