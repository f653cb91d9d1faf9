// The track tables: schema, the exact statements, and reading rows back.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/program_path.h"
#include "flows/session.h"
#include "statement_log.h"
#include "store/sqlite_db.h"
#include "test_support.h"

namespace vandrel {
namespace {

using vandrel::testing::StatementLog;
using vandrel::testing::TempDir;

const char* const kTrackTable =
    "create table TK (objid integer primary key,trail\tinteger,dist\t\tdouble,stime\tdouble,"
    "etime\tdouble,avgalt\tdouble,avgbar\tdouble,avgtmp\tdouble,tzome\tinteger);";
const char* const kPointTable =
    "create table TKPT (objid integer primary key,tkid\t\tinteger,sdate\tdouble,lat\t\tdouble,"
    "lng\t\tdouble,alt\t\tdouble,bar\t\tdouble,tmp\t\tdouble,dist\t\tdouble,pho\t\tvarchar(32));";

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kMay1 = 45413.0;  // 2024-05-01 00:00:00

TrackHeader sampleTrack() {
    TrackHeader h;
    h.trail = 7;
    h.dist = 1234.5f;
    h.stime = 45000.5;
    h.etime = 45000.75;
    h.avgalt = 100.25f;
    h.avgbar = 1013.0f;
    h.avgtmp = 21.5f;
    h.tzome = -60;
    return h;
}

TrackPoint samplePoint(int tkid, const std::string& pho = "") {
    TrackPoint p;
    p.tkid = tkid;
    p.sdate = 45000.5;
    p.lat = 47.5f;
    p.lng = 8.25f;
    p.alt = 410.5f;
    p.bar = 96000.0f;
    p.tmp = -3.25f;
    p.dist = 12.5f;
    p.pho = pho;
    return p;
}

std::string schemaText(TrackDatabase& db, const char* name) {
    SqlQuery q =
        db.query((std::string("select sql from sqlite_master where name='") + name + "';").c_str());
    return q.eof() ? "" : q.stringField(0);
}

class TrackStore : public ::testing::Test {
  protected:
    void SetUp() override { db.openStore(dir / "Vandrel.db"); }

    // Inserts a track starting at stime with the given number of points.
    int addTrack(double stime, int points) {
        TrackHeader h = sampleTrack();
        h.stime = stime;
        db.insertTrack(h);
        for (int i = 0; i < points; ++i) {
            TrackPoint p = samplePoint(h.objid);
            p.sdate = stime + i * kSecond;
            db.insertPoint(p);
        }
        return h.objid;
    }

    TempDir dir;
    TrackDatabase db;
};

TEST(TrackStoreOpen, FreshFolderGetsBothTablesWithTheirExactTextsAndTheIndex) {
    TempDir dir;
    TrackDatabase db;
    db.open((dir / "Vandrel.db").string().c_str());
    StatementLog log(db.handle());
    db.ensureTables();

    // The tables are looked for again, and made, inside one write transaction, so that two
    // programs starting at once on an empty folder do not both create them.
    const std::string findTk =
        "select count(*) from sqlite_master where type='table' and name='TK'";
    const std::string findTkpt =
        "select count(*) from sqlite_master where type='table' and name='TKPT'";
    const std::vector<std::string> expected = {
        findTk,
        "begin immediate transaction;",
        findTk,
        kTrackTable,
        findTkpt,
        kPointTable,
        "create index if not exists TKPT_tkid on TKPT(tkid);",
        "commit transaction;",
        "create index if not exists TKPT_tkid on TKPT(tkid);"};
    EXPECT_EQ(log.statements(), expected);
    // SQLite keeps the text from the table name on, behind its own "CREATE TABLE".
    EXPECT_EQ("create table " + schemaText(db, "TK").substr(13) + ";", kTrackTable);
    EXPECT_EQ("create table " + schemaText(db, "TKPT").substr(13) + ";", kPointTable);
}

TEST(TrackStoreOpen, OpenStoreUsesTheProgramFolderAndKeepsExistingRows) {
    TempDir dir;
    {
        Session session{DataFolder(dir.path())};
        session.openStore();
        TrackHeader h = sampleTrack();
        session.database().insertTrack(h);
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "Vandrel.db"));
    Session session{DataFolder(dir.path())};
    session.openStore();
    TrackDatabase& db = session.database();
    EXPECT_EQ(db.scalar("select count(*) from TK;"), 1);
    EXPECT_EQ(db.scalar("select count(*) from sqlite_master;"), 3);
    // A commit is on disk once it returns, folder entry of the deleted journal included
    // (EXTRA): a download that said it is complete must outlive a power cut.
    EXPECT_EQ(db.scalar("pragma synchronous;"), 3);
}

TEST(TrackStoreOpen, DatabaseMadeWithoutTheIndexGainsItAndPointReadsUseIt) {
    TempDir dir;
    const std::string path = (dir / "old.db").string();
    {
        TrackDatabase old;
        old.open(path.c_str());
        old.execute(kTrackTable);
        old.execute(kPointTable);
        old.execute("insert into TKPT (tkid,pho) values (3,'');");
    }
    TrackDatabase db;
    db.openStore(path);
    EXPECT_EQ(db.scalar("select count(*) from sqlite_master where type='index' and "
                        "tbl_name='TKPT';"),
              1);
    EXPECT_EQ(db.countPoints(3), 1);
    SqlQuery plan = db.query("explain query plan select * from TKPT where tkid=3;");
    EXPECT_NE(std::string(plan.stringField("detail")).find("TKPT_tkid"), std::string::npos);
    // The table texts are still the ones the other program wrote.
    EXPECT_EQ("create table " + schemaText(db, "TKPT").substr(13) + ";", kPointTable);
}

TEST(TrackStoreOpen, ReadOnlyDatabaseWithoutTheIndexStillOpens) {
    TempDir dir;
    const std::string path = (dir / "old.db").string();
    {
        TrackDatabase old;
        old.open(path.c_str());
        old.execute(kTrackTable);
        old.execute(kPointTable);
        old.execute("insert into TK (stime) values (45413.0);");
    }
    TrackDatabase db;
    db.openStore("file:" + path + "?mode=ro");
    EXPECT_EQ(db.readTracksBetween(45413.0, 45414.0).size(), 1u);
    EXPECT_THROW(db.deleteTrack(1), CppSQLite3Exception);
}

TEST_F(TrackStore, StatementsAreTheFixedTemplates) {
    StatementLog log(db.handle());
    TrackHeader h = sampleTrack();
    db.beginTransaction();
    EXPECT_EQ(db.insertTrack(h), 1);
    TrackPoint p = samplePoint(h.objid);
    EXPECT_EQ(db.insertPoint(p), 1);
    db.commitTransaction();
    p.pho = "/photos/a.jpg";
    db.updatePoint(p);
    db.findTrackByStart(45000.5);
    db.selectTracksBetween(45000.0, 45001.0);
    db.selectPoints(h.objid);
    db.selectAllTracks();
    db.countPoints(h.objid);
    db.deleteTrack(h.objid);
    db.rollbackTransaction();

    const std::vector<std::string> expected = {
        "begin transaction;",
        "insert into TK (trail,dist,stime,etime,avgalt,avgbar,avgtmp,tzome) values "
        "(7,1234.500000,45000.500000,45000.750000,100.250000,1013.000000,21.500000,-60);",
        // Points run the template prepared once, with each value bound as its text.
        "insert into TKPT (tkid,sdate,lat,lng,alt,bar,tmp,dist,pho) values "
        "(?,?,?,?,?,?,?,?,?);",
        "commit transaction;",
        "update TKPT set tkid\t\t= 1,sdate\t\t= 45000.500000,lat\t\t= 47.500000,lng\t\t= "
        "8.250000,alt\t\t= 410.500000,bar\t\t= 96000.000000,tmp\t\t= -3.250000,dist\t\t= "
        "12.500000,pho\t\t= '/photos/a.jpg' where objid =  1;",
        "select objid from TK where stime>45000.499988 and stime<45000.500012;",
        "select * from TK where stime>=45000.000000 and stime<45001.000000 order by stime;",
        "select * from TKPT where tkid=1;", "select * from TK;",
        "select count(*) from TKPT where tkid=1;", "delete from TK where objid = 1;",
        "delete from TKPT where tkid = 1;", "rollback transaction;"};
    EXPECT_EQ(log.statements(), expected);
    EXPECT_EQ(TrackDatabase::insertPointText(p),
              "insert into TKPT (tkid,sdate,lat,lng,alt,bar,tmp,dist,pho) values "
              "(1,45000.500000,47.500000,8.250000,410.500000,96000.000000,-3.250000,12.500000,"
              "'/photos/a.jpg');");
}

// insertPoints binds the template's texts, many rows a statement, instead of running the
// complete statement of each point; what it stores must be exactly what the complete texts
// store, bit for bit, and each point learns its own row id. 500 points are seven full
// statements and 52 left over, which go one by one as insertPoint stores them.
TEST_F(TrackStore, PreparedPointsStoreWhatTheStatementTextStores) {
    const int tkid = addTrack(kMay1, 0);
    std::vector<TrackPoint> points;
    uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<double>(seed) / 4294967296.0;
    };
    for (int i = 0; i < 500; ++i) {
        TrackPoint p = samplePoint(tkid, i % 7 == 0 ? "/p/it's " + std::to_string(i) : "");
        p.sdate = 45000 + next() * 30000;
        p.lat = static_cast<float>(next() * 180 - 90);
        p.lng = static_cast<float>(next() * 360 - 180);
        p.alt = static_cast<float>(next() * 9000 - 500);
        p.bar = static_cast<float>(next() * 1e6);
        p.tmp = i % 97 == 3 ? std::numeric_limits<float>::quiet_NaN() : static_cast<float>(-next());
        p.dist = i % 89 == 5 ? -0.0f : static_cast<float>(next() * 1e7);
        points.push_back(p);
    }
    db.insertPoints(points);
    for (const TrackPoint& p : points) {
        db.execute(TrackDatabase::insertPointText(p).c_str());
    }
    const auto rowsFrom = [this](const std::string& where) {
        std::vector<std::string> rows;
        SqlQuery q = db.query(
            ("select quote(tkid)||quote(sdate)||quote(lat)||quote(lng)||quote(alt)||quote(bar)||"
             "quote(tmp)||quote(dist)||quote(pho)||typeof(sdate) from TKPT where " +
             where + " order by objid;")
                .c_str());
        for (; !q.eof(); q.nextRow()) {
            rows.emplace_back(q.fieldValue(0));
        }
        return rows;
    };
    const std::vector<std::string> prepared = rowsFrom("objid<=500");
    ASSERT_EQ(prepared.size(), 500u);
    EXPECT_EQ(prepared, rowsFrom("objid>500"));
    for (size_t i = 0; i < points.size(); ++i) {
        ASSERT_EQ(points[i].objid, static_cast<int>(i) + 1);
    }
}

TEST_F(TrackStore, RowsComeBackAsWrittenWithSixDecimals) {
    TrackHeader h = sampleTrack();
    h.stime = 45000.1234567;
    db.insertTrack(h);
    TrackPoint p = samplePoint(h.objid);
    p.lat = 47.1234567f;  // 47.1234550476... as a float
    db.insertPoint(p);

    std::vector<TrackHeader> tracks = db.readTracksBetween(45000.0, 45001.0);
    ASSERT_EQ(tracks.size(), 1u);
    const TrackHeader& t = tracks[0];
    EXPECT_EQ(t.objid, h.objid);
    EXPECT_EQ(t.trail, 7);
    EXPECT_DOUBLE_EQ(t.stime, 45000.123457);
    EXPECT_FLOAT_EQ(t.dist, 1234.5f);
    EXPECT_EQ(t.tzome, -60);
    ASSERT_EQ(t.points.size(), 1u);
    const TrackPoint& q = t.points[0];
    EXPECT_EQ(q.objid, p.objid);
    EXPECT_EQ(q.tkid, h.objid);
    EXPECT_EQ(q.lat, p.lat);  // six decimals are enough to bring a float back unchanged
    EXPECT_FLOAT_EQ(q.dist, 12.5f);
    EXPECT_EQ(q.pho, "");

    EXPECT_TRUE(db.readTracksBetween(45000.0, 45001.0, false)[0].points.empty());

    SqlQuery raw = db.query("select lat,sdate from TKPT;");
    EXPECT_EQ(raw.floatField("lat"), 47.123455);
    EXPECT_EQ(raw.floatField("sdate"), 45000.5);
}

TEST_F(TrackStore, PhotoPathsWithQuotesAreStoredIntact) {
    const int tkid = addTrack(kMay1, 0);
    TrackPoint p = samplePoint(tkid, "/home/o'brien/photos/it's.jpg");
    EXPECT_NE(TrackDatabase::insertPointText(p).find("'/home/o''brien/photos/it''s.jpg'"),
              std::string::npos);
    db.insertPoint(p);

    p.pho = "x'); drop table TK; --";
    db.updatePoint(p);
    EXPECT_TRUE(db.tableExists("TK"));
    p.pho = std::string(5000, 'p');  // longer than any fixed statement buffer
    TrackPoint other = samplePoint(tkid, p.pho);
    db.insertPoint(other);

    SqlQuery q = db.selectPoints(tkid);
    TrackPoint first;
    TrackPoint second;
    TrackDatabase::readPointRow(q, first);
    TrackDatabase::readPointRow(q, second);
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(first.pho, "x'); drop table TK; --");
    EXPECT_EQ(second.pho, std::string(5000, 'p'));
}

TEST_F(TrackStore, ValuesWithoutAnSqlLiteralAreStoredAsNull) {
    const int tkid = addTrack(kMay1, 0);
    TrackPoint p = samplePoint(tkid);
    p.tmp = std::numeric_limits<float>::quiet_NaN();
    p.bar = std::numeric_limits<float>::infinity();
    db.insertPoint(p);
    SqlQuery q = db.selectPoints(tkid);
    EXPECT_TRUE(q.isNull("tmp"));
    TrackPoint back;
    TrackDatabase::readPointRow(q, back);
    // Missing, not 0: a mean or range leaves it out.
    EXPECT_TRUE(std::isnan(back.tmp));
    EXPECT_TRUE(std::isnan(back.bar));
    EXPECT_FLOAT_EQ(back.alt, 410.5f);
}

TEST_F(TrackStore, FindTrackByStartLooksOneSecondEitherSide) {
    const double start = kMay1 + 10.0 / 24.0;  // 10:00:00
    const int id = addTrack(start, 1);
    EXPECT_EQ(db.findTrackByStart(start), id);
    EXPECT_EQ(db.findTrackByStart(start + 0.5 * kSecond), id);
    EXPECT_EQ(db.findTrackByStart(start - 0.4 * kSecond), id);
    EXPECT_EQ(db.findTrackByStart(start + 2 * kSecond), 0);
    EXPECT_EQ(db.findTrackByStart(start - 2 * kSecond), 0);
    EXPECT_EQ(db.findTrackByStart(kMay1), 0);
}

TEST_F(TrackStore, TracksBetweenIncludeTheStartOfTheDayAndNotTheNextDay) {
    const int noon = addTrack(kMay1 + 0.5, 2);
    const int midnight = addTrack(kMay1, 3);
    addTrack(kMay1 + 1.0, 1);
    addTrack(kMay1 - kSecond, 1);

    std::vector<TrackHeader> day = db.readTracksBetween(kMay1, kMay1 + 1.0);
    ASSERT_EQ(day.size(), 2u);
    EXPECT_EQ(day[0].objid, midnight);
    EXPECT_EQ(day[1].objid, noon);
    EXPECT_EQ(day[0].points.size(), 3u);
    EXPECT_EQ(day[1].points.size(), 2u);
    for (size_t i = 0; i < day[0].points.size(); ++i) {
        EXPECT_EQ(day[0].points[i].tkid, midnight);
        EXPECT_NEAR(day[0].points[i].sdate, kMay1 + i * kSecond, 1e-6);
    }
}

TEST_F(TrackStore, DeleteTrackRemovesTheRowAndItsPoints) {
    const int gone = addTrack(kMay1, 4);
    const int kept = addTrack(kMay1 + 0.5, 2);
    db.deleteTrack(gone);
    EXPECT_EQ(db.countPoints(gone), 0);
    EXPECT_EQ(db.countPoints(kept), 2);
    EXPECT_EQ(db.scalar("select count(*) from TK;"), 1);
    EXPECT_EQ(db.findTrackByStart(kMay1), 0);
}

TEST_F(TrackStore, RollbackDropsTheOpenTransactionAndNeverThrows) {
    db.beginTransaction();
    addTrack(kMay1, 5);
    db.rollbackTransaction();
    EXPECT_NE(sqlite3_get_autocommit(db.handle()), 0);
    EXPECT_EQ(db.scalar("select count(*) from TKPT;"), 0);
    db.rollbackTransaction();  // no transaction open: ignored
    db.close();
    db.rollbackTransaction();
}

}  // namespace
}  // namespace vandrel
