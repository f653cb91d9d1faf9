#include "store/track_statistics_table.h"

#include <limits>
#include <string>

#include "store/sql_text.h"

namespace vandrel {
namespace {

// The way the figures are computed: rows of an earlier way count as missing and are computed
// anew on first need. 2: climb from the recorded altitude where a track has no pressure, the
// moving distance, missing values as NULL.
constexpr int kStatisticsVersion = 2;

constexpr const char* kCreateStatisticsTable =
    "create table if not exists TKSTAT (tkid integer primary key,duration double,"
    "moving double,dist double,avgspeed double,maxspeed double,climb double,descent double,"
    "altclimb double,altdescent double,minalt double,maxalt double,mintmp double,"
    "maxtmp double,movingdist double,climbsrc integer,ver integer);";
// The columns version 1 lacked: its rows are kept (for totals until they are filled anew) and
// read as version 0.
constexpr const char* kAddVersionColumns =
    "alter table TKSTAT add column movingdist double;"
    "alter table TKSTAT add column climbsrc integer;"
    "alter table TKSTAT add column ver integer default 0;";
// Whichever program deletes a track, its statistics go with it, in the same statement.
constexpr const char* kCreateDeleteTrigger =
    "create trigger if not exists TKSTAT_delete after delete on TK begin "
    "delete from TKSTAT where tkid = old.objid; end;";

bool hasVersionColumn(TrackDatabase& db) {
    SqlQuery columns = db.query("pragma table_info(TKSTAT);");
    bool found = false;
    for (; !columns.eof() && !found; columns.nextRow()) {
        found = std::string(columns.stringField("name", "")) == "ver";
    }
    columns.finalize();
    return found;
}

// Whether the table holds rows of the current version (otherwise every track lacks them).
bool tableIsCurrent(TrackDatabase& db) {
    return db.tableExists("TKSTAT") && hasVersionColumn(db);
}

TrackStatistics readStatisticsRow(SqlQuery& row) {
    constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
    TrackStatistics s;
    s.duration = row.floatField("duration");
    s.movingTime = row.floatField("moving");
    s.distance = row.floatField("dist");
    s.movingDistance = row.floatField("movingdist");
    s.averageSpeed = row.floatField("avgspeed");
    s.maxSpeed = row.floatField("maxspeed");
    s.climb = row.floatField("climb");
    s.descent = row.floatField("descent");
    s.climbSource = static_cast<ClimbSource>(row.intField("climbsrc", 0));
    s.gpsClimb = row.floatField("altclimb");
    s.gpsDescent = row.floatField("altdescent");
    s.minAltitude = row.floatField("minalt", kMissing);
    s.maxAltitude = row.floatField("maxalt", kMissing);
    s.minTemperature = row.floatField("mintmp", kMissing);
    s.maxTemperature = row.floatField("maxtmp", kMissing);
    return s;
}

std::vector<int> tracksWithoutStatistics(TrackDatabase& db) {
    std::vector<int> tracks;
    SqlQuery rows = db.query(
        sql::format("select objid from TK where objid not in (select tkid from TKSTAT where "
                    "ver=%d) order by objid;",
                    {kStatisticsVersion})
            .c_str());
    for (; !rows.eof(); rows.nextRow()) {
        tracks.push_back(rows.intField(0));
    }
    rows.finalize();
    return tracks;
}

}  // namespace

void ensureStatisticsTable(TrackDatabase& db) {
    if (!db.tableExists("TKSTAT")) {
        // A view of the name (a damaged or tampered file) would stand in for the table and
        // give every period nothing: the table is made anew in its place.
        db.execute("drop view if exists TKSTAT;");
        db.execute(kCreateStatisticsTable);
        db.execute(kCreateDeleteTrigger);
    } else if (!hasVersionColumn(db)) {
        db.execute(kAddVersionColumns);
    }
}

void storeTrackStatistics(TrackDatabase& db, int tkid, const TrackStatistics& s) {
    ensureStatisticsTable(db);
    db.execute(sql::format("insert or replace into TKSTAT values "
                           "(%d,%f,%f,%f,%f,%f,%f,%f,%f,%f,%f,%f,%f,%f,%f,%d,%d);",
                           {tkid, s.duration, s.movingTime, s.distance, s.averageSpeed, s.maxSpeed,
                            s.climb, s.descent, s.gpsClimb, s.gpsDescent, s.minAltitude,
                            s.maxAltitude, s.minTemperature, s.maxTemperature, s.movingDistance,
                            static_cast<int>(s.climbSource), kStatisticsVersion})
                   .c_str());
}

std::optional<TrackStatistics> readTrackStatistics(TrackDatabase& db, int tkid) {
    if (!tableIsCurrent(db)) {
        return std::nullopt;
    }
    SqlQuery row = db.query(
        sql::format("select * from TKSTAT where tkid=%d and ver=%d;", {tkid, kStatisticsVersion})
            .c_str());
    if (row.eof()) {
        return std::nullopt;
    }
    return readStatisticsRow(row);
}

int countTracksWithoutStatistics(TrackDatabase& db) {
    if (!tableIsCurrent(db)) {
        return db.scalar("select count(*) from TK;");
    }
    return db.scalar(sql::format("select count(*) from TK where objid not in (select tkid from "
                                 "TKSTAT where ver=%d);",
                                 {kStatisticsVersion})
                         .c_str());
}

int fillMissingStatistics(TrackDatabase& db, const std::function<void(int, int)>& progress) {
    db.beginImmediateTransaction();
    int filled = 0;
    try {
        ensureStatisticsTable(db);
        const std::vector<int> tracks = tracksWithoutStatistics(db);
        for (const int tkid : tracks) {
            storeTrackStatistics(db, tkid, computeTrackStatistics(db.readTrackPoints(tkid)));
            ++filled;
            if (progress) {
                progress(filled, static_cast<int>(tracks.size()));
            }
        }
        db.commitTransaction();
    } catch (...) {
        db.rollbackTransaction();
        throw;
    }
    return filled;
}

std::vector<TrackTotalsInput> readTotalsInputs(TrackDatabase& db, double from, double to) {
    std::vector<TrackTotalsInput> tracks;
    if (!db.tableExists("TKSTAT")) {
        return tracks;
    }
    SqlQuery rows = db.query(
        sql::format("select TK.stime,TKSTAT.dist,TKSTAT.moving,TKSTAT.climb from TK join TKSTAT "
                    "on TKSTAT.tkid=TK.objid where TK.stime>=%f and TK.stime<%f order by "
                    "TK.stime;",
                    {from, to})
            .c_str());
    for (; !rows.eof(); rows.nextRow()) {
        tracks.push_back(
            {rows.floatField(0), rows.floatField(1), rows.floatField(2), rows.floatField(3)});
    }
    rows.finalize();
    return tracks;
}

}  // namespace vandrel
