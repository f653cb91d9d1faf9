// The statements the program issues on the track tables. Every statement is a complete text
// made from a fixed template (see sql_text.h), except the point inserts: they are prepared once
// per connection and have each value bound as the text the template would write for it (see
// insertPointRows).

#include <cstdlib>
#include <limits>

#include "core/track_statistics.h"
#include "store/sql_text.h"
#include "store/sqlite_db.h"
#include "store/track_statistics_table.h"

namespace vandrel {
namespace {

// The white space between the column names and their types is tabs, as in every database
// already in use; the create texts are kept byte for byte.
constexpr const char* kCreateTrackTable =
    "create table TK (objid integer primary key,trail\tinteger,dist\t\tdouble,stime\tdouble,"
    "etime\tdouble,avgalt\tdouble,avgbar\tdouble,avgtmp\tdouble,tzome\tinteger);";
constexpr const char* kCreatePointTable =
    "create table TKPT (objid integer primary key,tkid\t\tinteger,sdate\tdouble,lat\t\tdouble,"
    "lng\t\tdouble,alt\t\tdouble,bar\t\tdouble,tmp\t\tdouble,dist\t\tdouble,pho\t\tvarchar(32));";
// Reading a track's points looks them up by tkid; without this index every track read scans
// all points of all tracks. Databases made before the index existed gain it on their next open.
constexpr const char* kCreatePointIndex = "create index if not exists TKPT_tkid on TKPT(tkid);";

constexpr double kOneSecond = 1.0 / 86400.0;
// A reading a point or track does not have (NULL: an imported fix without an altitude, say)
// is read as missing, not as 0, so that means, ranges and climb leave it out.
constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

}  // namespace

void TrackDatabase::openStore(const std::filesystem::path& path, MissingTables missing) {
    open(path.string().c_str());
    ensureTables(missing);
}

// Two programs starting on an empty folder at once would both find the tables missing and the
// second create would fail. The tables are therefore made inside a write transaction, taken
// before they are looked for again; a database that has them needs no transaction at all,
// so that opening one never waits for another program's writing.
void TrackDatabase::ensureTables(MissingTables missing) {
    if (!tableExists("TK") || !tableExists("TKPT")) {
        if (missing == MissingTables::MadeByTheDownload) {
            return;
        }
        beginImmediateTransaction();
        try {
            createMissingTables();
            commitTransaction();
        } catch (...) {
            rollbackTransaction();
            throw;
        }
    }
    // The index only speeds reading up: a database that cannot be written is still read
    // without it.
    try {
        execute(kCreatePointIndex);
    } catch (const CppSQLite3Exception& e) {
        if (e.errorCode() != SQLITE_READONLY) {
            throw;
        }
    }
}

void TrackDatabase::createMissingTables() {
    if (!tableExists("TK")) {
        execute(kCreateTrackTable);
    }
    if (!tableExists("TKPT")) {
        execute(kCreatePointTable);
        // In the same transaction: a new database costs one commit, not two.
        execute(kCreatePointIndex);
    }
}

void TrackDatabase::beginTransaction() {
    execute("begin transaction;");
}

// Takes the write lock at once: what is read in the transaction (a track looked up by its
// start) cannot change before the write that depends on it.
void TrackDatabase::beginImmediateTransaction() {
    execute("begin immediate transaction;");
}

void TrackDatabase::commitTransaction() {
    execute("commit transaction;");
}

// Used on the way out of a failure: there is nothing better to do with a second error than
// to let the first one travel on, so the result is ignored.
void TrackDatabase::rollbackTransaction() noexcept {
    if (db_ != nullptr) {
        sqlite3_exec(db_, "rollback transaction;", nullptr, nullptr, nullptr);
    }
}

void TrackDatabase::beginSavepoint(const char* name) {
    execute(("savepoint " + std::string(name) + ";").c_str());
}

void TrackDatabase::releaseSavepoint(const char* name) {
    execute(("release savepoint " + std::string(name) + ";").c_str());
}

void TrackDatabase::rollbackSavepoint(const char* name) noexcept {
    if (db_ != nullptr) {
        const std::string undo =
            "rollback to savepoint " + std::string(name) + "; release savepoint " + name + ";";
        sqlite3_exec(db_, undo.c_str(), nullptr, nullptr, nullptr);
    }
}

int TrackDatabase::insertTrack(TrackHeader& header) {
    execute(sql::format("insert into TK (trail,dist,stime,etime,avgalt,avgbar,avgtmp,tzome) "
                        "values (%d,%f,%f,%f,%f,%f,%f,%d);",
                        {header.trail, header.dist, header.stime, header.etime, header.avgalt,
                         header.avgbar, header.avgtmp, header.tzome})
                .c_str());
    header.objid = lastRowId();
    // Every way a track comes in (download, archive, import) passes here with its points, in
    // the transaction that stores them: its statistics are stored with it or not at all.
    if (!header.points.empty()) {
        storeTrackStatistics(*this, header.objid, computeTrackStatistics(header.points));
    }
    return 1;
}

void TrackDatabase::updateTrackSummary(const TrackHeader& header) {
    execute(sql::format("update TK set dist=%f,stime=%f,etime=%f,avgalt=%f,avgbar=%f,avgtmp=%f "
                        "where objid=%d;",
                        {header.dist, header.stime, header.etime, header.avgalt, header.avgbar,
                         header.avgtmp, header.objid})
                .c_str());
}

namespace {

constexpr const char* kInsertPointTemplate =
    "insert into TKPT (tkid,sdate,lat,lng,alt,bar,tmp,dist,pho) "
    "values (%d,%f,%f,%f,%f,%f,%f,%f,'%s');";

constexpr int kPointColumns = 9;

// The template with a parameter for each value, for `rows` rows.
std::string insertPointsPrepared(int rows) {
    std::string text = "insert into TKPT (tkid,sdate,lat,lng,alt,bar,tmp,dist,pho) values ";
    for (int row = 0; row < rows; ++row) {
        text += row == 0 ? "(?,?,?,?,?,?,?,?,?)" : ",(?,?,?,?,?,?,?,?,?)";
    }
    return text + ";";
}

}  // namespace

std::string TrackDatabase::insertPointText(const TrackPoint& point) {
    return sql::format(kInsertPointTemplate,
                       {point.tkid, point.sdate, point.lat, point.lng, point.alt, point.bar,
                        point.tmp, point.dist, point.pho});
}

int TrackDatabase::insertPoint(TrackPoint& point) {
    insertPointRows(&point, 1);
    return 1;
}

// Most of a download's time went into running one statement a point: stepping, resetting
// and halting it cost more than storing the row. Whole blocks of points therefore go in one
// statement each; the few left over go one by one.
void TrackDatabase::insertPoints(std::vector<TrackPoint>& points) {
    size_t next = 0;
    for (; points.size() - next >= kPointsPerInsert; next += kPointsPerInsert) {
        insertPointRows(&points[next], kPointsPerInsert);
    }
    for (; next < points.size(); ++next) {
        insertPointRows(&points[next], 1);
    }
}

// Parsing each statement text anew cost most of a download's time, so the statements are
// prepared once per connection and each value is bound as the very text the template writes
// for it ("%d", "%f", the photo path): the column's affinity converts that text exactly as it
// converts the same literal in the statement text, so the stored values are those of the
// complete text. The texts go into one buffer the connection keeps and are bound without a
// copy; it stays untouched until the next insert binds them anew.
//
// The rows of one statement are inserted in their order and, objid being an integer primary
// key, each takes the row id after the largest one: the rows' ids are consecutive, ending at
// the last one inserted.
void TrackDatabase::insertPointRows(TrackPoint* points, int rows) {
    if (db_ == nullptr) {
        throw CppSQLite3Exception(kCppSqliteError, "Database not open");
    }
    sqlite3_stmt*& statement = rows == 1 ? insertPointStatement_ : insertPointsStatement_;
    if (statement == nullptr) {
        const int rc =
            sqlite3_prepare_v2(db_, insertPointsPrepared(rows).c_str(), -1, &statement, nullptr);
        if (rc != SQLITE_OK) {
            throw CppSQLite3Exception(rc, sqlite3_errmsg(db_));
        }
    }
    constexpr int kNumbers = kPointColumns - 1;
    std::string& text = insertPointValues_;
    text.clear();
    size_t ends[kPointsPerInsert * kNumbers];
    for (int row = 0; row < rows; ++row) {
        const TrackPoint& p = points[row];
        const sql::Arg values[kNumbers] = {p.tkid, p.sdate, p.lat, p.lng,
                                           p.alt,  p.bar,   p.tmp, p.dist};
        for (int i = 0; i < kNumbers; ++i) {
            if (!values[i].isNull()) {
                values[i].appendTo(text);
            }
            ends[row * kNumbers + i] = text.size();
        }
    }
    // Bound only once all are written: appending may move the buffer. A value without a text
    // (not finite) is NULL, as the template writes it.
    size_t begin = 0;
    for (int row = 0; row < rows; ++row) {
        const int first = row * kPointColumns + 1;
        for (int i = 0; i < kNumbers; ++i) {
            const size_t end = ends[row * kNumbers + i];
            if (end == begin) {
                sqlite3_bind_null(statement, first + i);
            } else {
                sqlite3_bind_text(statement, first + i, text.data() + begin,
                                  static_cast<int>(end - begin), SQLITE_STATIC);
            }
            begin = end;
        }
        const std::string& pho = points[row].pho;
        sqlite3_bind_text(statement, first + kNumbers, pho.data(), static_cast<int>(pho.size()),
                          SQLITE_STATIC);
    }
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE) {
        CppSQLite3Exception error(rc, sqlite3_errmsg(db_));
        sqlite3_reset(statement);
        throw error;
    }
    sqlite3_reset(statement);
    const int last = lastRowId();
    for (int row = 0; row < rows; ++row) {
        points[row].objid = last - (rows - 1 - row);
    }
}

void TrackDatabase::finalizeCachedStatements() noexcept {
    for (sqlite3_stmt** statement : {&insertPointStatement_, &insertPointsStatement_}) {
        if (*statement != nullptr) {
            sqlite3_finalize(*statement);
            *statement = nullptr;
        }
    }
}

void TrackDatabase::updatePoint(const TrackPoint& point) {
    execute(sql::format("update TKPT set tkid\t\t= %d,sdate\t\t= %f,lat\t\t= %f,lng\t\t= %f,"
                        "alt\t\t= %f,bar\t\t= %f,tmp\t\t= %f,dist\t\t= %f,pho\t\t= '%s' "
                        "where objid =  %d;",
                        {point.tkid, point.sdate, point.lat, point.lng, point.alt, point.bar,
                         point.tmp, point.dist, point.pho, point.objid})
                .c_str());
}

void TrackDatabase::deleteTrack(int objid) {
    execute(sql::format("delete from TK where objid = %d;", {objid}).c_str());
    execute(sql::format("delete from TKPT where tkid = %d;", {objid}).c_str());
}

// A track counts as stored when a stored start lies strictly within one second of stime.
int TrackDatabase::findTrackByStart(double stime) {
    SqlQuery result = query(sql::format("select objid from TK where stime>%f and stime<%f;",
                                        {stime - kOneSecond, stime + kOneSecond})
                                .c_str());
    if (result.eof()) {
        return 0;
    }
    const char* objid = result.fieldValue(0);
    return objid != nullptr ? static_cast<int>(std::atol(objid)) : 0;
}

SqlQuery TrackDatabase::selectAllTracks() {
    return query("select * from TK;");
}

SqlQuery TrackDatabase::selectTracksBetween(double from, double to) {
    return query(
        sql::format("select * from TK where stime>=%f and stime<%f order by stime;", {from, to})
            .c_str());
}

SqlQuery TrackDatabase::selectPoints(int tkid) {
    return query(sql::format("select * from TKPT where tkid=%d;", {tkid}).c_str());
}

int TrackDatabase::countPoints(int tkid) {
    return scalar(sql::format("select count(*) from TKPT where tkid=%d;", {tkid}).c_str());
}

void TrackDatabase::readTrackRow(SqlQuery& query, TrackHeader& header) {
    header.objid = query.intField("objid", 0);
    header.trail = query.intField("trail", 0);
    header.stime = query.floatField("stime", 0.0);
    header.etime = query.floatField("etime", 0.0);
    header.dist = static_cast<float>(query.floatField("dist", 0.0));
    header.avgalt = static_cast<float>(query.floatField("avgalt", kMissing));
    header.avgbar = static_cast<float>(query.floatField("avgbar", kMissing));
    header.avgtmp = static_cast<float>(query.floatField("avgtmp", kMissing));
    header.tzome = query.intField("tzome", 0);
    query.nextRow();
}

void TrackDatabase::readPointRow(SqlQuery& query, TrackPoint& point) {
    point.objid = query.intField("objid", 0);
    point.tkid = query.intField("tkid", 0);
    point.sdate = query.floatField("sdate", 0.0);
    point.lat = static_cast<float>(query.floatField("lat", 0.0));
    point.lng = static_cast<float>(query.floatField("lng", 0.0));
    point.alt = static_cast<float>(query.floatField("alt", kMissing));
    point.bar = static_cast<float>(query.floatField("bar", kMissing));
    point.tmp = static_cast<float>(query.floatField("tmp", kMissing));
    point.dist = static_cast<float>(query.floatField("dist", 0.0));
    point.pho = query.stringField("pho", "");
    query.nextRow();
}

namespace {

std::vector<TrackHeader> readTrackRows(SqlQuery rows) {
    std::vector<TrackHeader> tracks;
    while (!rows.eof()) {
        TrackDatabase::readTrackRow(rows, tracks.emplace_back());
    }
    rows.finalize();
    return tracks;
}

}  // namespace

std::vector<TrackHeader> TrackDatabase::readTracksBetween(double from, double to, bool withPoints) {
    std::vector<TrackHeader> tracks = readTrackRows(selectTracksBetween(from, to));
    if (withPoints) {
        readPointsOf(tracks);
    }
    return tracks;
}

std::vector<TrackHeader> TrackDatabase::readTracksCovering(double from, double to,
                                                           bool withPoints) {
    std::vector<TrackHeader> tracks = readTrackRows(query(
        sql::format("select * from TK where stime<%f and etime>=%f order by stime;", {to, from})
            .c_str()));
    if (withPoints) {
        readPointsOf(tracks);
    }
    return tracks;
}

void TrackDatabase::readPointsOf(std::vector<TrackHeader>& tracks) {
    for (TrackHeader& track : tracks) {
        track.points = readTrackPoints(track.objid);
    }
}

// Reads what readPointRow reads, with the columns looked up once per track rather than once
// per value: that lookup was most of the time of reading a long track.
std::vector<TrackPoint> TrackDatabase::readTrackPoints(int tkid) {
    std::vector<TrackPoint> points;
    SqlQuery rows = selectPoints(tkid);
    if (rows.eof()) {
        return points;
    }
    const int objid = rows.fieldIndex("objid");
    const int track = rows.fieldIndex("tkid");
    const int sdate = rows.fieldIndex("sdate");
    const int lat = rows.fieldIndex("lat");
    const int lng = rows.fieldIndex("lng");
    const int alt = rows.fieldIndex("alt");
    const int bar = rows.fieldIndex("bar");
    const int tmp = rows.fieldIndex("tmp");
    const int dist = rows.fieldIndex("dist");
    const int pho = rows.fieldIndex("pho");
    for (; !rows.eof(); rows.nextRow()) {
        TrackPoint& p = points.emplace_back();
        p.objid = rows.intField(objid, 0);
        p.tkid = rows.intField(track, 0);
        p.sdate = rows.floatField(sdate, 0.0);
        p.lat = static_cast<float>(rows.floatField(lat, 0.0));
        p.lng = static_cast<float>(rows.floatField(lng, 0.0));
        p.alt = static_cast<float>(rows.floatField(alt, kMissing));
        p.bar = static_cast<float>(rows.floatField(bar, kMissing));
        p.tmp = static_cast<float>(rows.floatField(tmp, kMissing));
        p.dist = static_cast<float>(rows.floatField(dist, 0.0));
        p.pho = rows.stringField(pho, "");
    }
    rows.finalize();
    return points;
}

}  // namespace vandrel
