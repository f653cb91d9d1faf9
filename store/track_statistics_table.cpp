#include "store/track_statistics_table.h"

#include "store/sql_text.h"

namespace vandrel {
namespace {

constexpr const char* kCreateStatisticsTable =
    "create table if not exists TKSTAT (tkid integer primary key,duration double,"
    "moving double,dist double,avgspeed double,maxspeed double,climb double,descent double,"
    "altclimb double,altdescent double,minalt double,maxalt double,mintmp double,"
    "maxtmp double);";
// Whichever program deletes a track, its statistics go with it, in the same statement.
constexpr const char* kCreateDeleteTrigger =
    "create trigger if not exists TKSTAT_delete after delete on TK begin "
    "delete from TKSTAT where tkid = old.objid; end;";

TrackStatistics readStatisticsRow(SqlQuery& row) {
    TrackStatistics s;
    s.duration = row.floatField("duration");
    s.movingTime = row.floatField("moving");
    s.distance = row.floatField("dist");
    s.averageSpeed = row.floatField("avgspeed");
    s.maxSpeed = row.floatField("maxspeed");
    s.climb = row.floatField("climb");
    s.descent = row.floatField("descent");
    s.gpsClimb = row.floatField("altclimb");
    s.gpsDescent = row.floatField("altdescent");
    s.minAltitude = row.floatField("minalt");
    s.maxAltitude = row.floatField("maxalt");
    s.minTemperature = row.floatField("mintmp");
    s.maxTemperature = row.floatField("maxtmp");
    return s;
}

std::vector<int> tracksWithoutStatistics(TrackDatabase& db) {
    std::vector<int> tracks;
    SqlQuery rows = db.query(
        "select objid from TK where objid not in (select tkid from TKSTAT) order by objid;");
    for (; !rows.eof(); rows.nextRow()) {
        tracks.push_back(rows.intField(0));
    }
    rows.finalize();
    return tracks;
}

}  // namespace

void ensureStatisticsTable(TrackDatabase& db) {
    if (!db.tableExists("TKSTAT")) {
        db.execute(kCreateStatisticsTable);
        db.execute(kCreateDeleteTrigger);
    }
}

void storeTrackStatistics(TrackDatabase& db, int tkid, const TrackStatistics& s) {
    ensureStatisticsTable(db);
    db.execute(sql::format("insert or replace into TKSTAT values "
                           "(%d,%f,%f,%f,%f,%f,%f,%f,%f,%f,%f,%f,%f,%f);",
                           {tkid, s.duration, s.movingTime, s.distance, s.averageSpeed, s.maxSpeed,
                            s.climb, s.descent, s.gpsClimb, s.gpsDescent, s.minAltitude,
                            s.maxAltitude, s.minTemperature, s.maxTemperature})
                   .c_str());
}

std::optional<TrackStatistics> readTrackStatistics(TrackDatabase& db, int tkid) {
    if (!db.tableExists("TKSTAT")) {
        return std::nullopt;
    }
    SqlQuery row = db.query(sql::format("select * from TKSTAT where tkid=%d;", {tkid}).c_str());
    if (row.eof()) {
        return std::nullopt;
    }
    return readStatisticsRow(row);
}

int countTracksWithoutStatistics(TrackDatabase& db) {
    if (!db.tableExists("TKSTAT")) {
        return db.scalar("select count(*) from TK;");
    }
    return db.scalar("select count(*) from TK where objid not in (select tkid from TKSTAT);");
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
