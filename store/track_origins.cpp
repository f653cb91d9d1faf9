#include "store/track_origins.h"

#include "store/sql_text.h"

namespace vandrel {

const char* const kLoggerOrigin = "logger";

namespace {

constexpr const char* kCreateOriginTable =
    "create table if not exists TKORIGIN (tkid integer primary key,stime double,origin text);";
constexpr double kHalfSecond = 0.5 / 86400.0;

}  // namespace

void createOriginTable(TrackDatabase& db) {
    db.execute(kCreateOriginTable);
}

void recordOrigin(TrackDatabase& db, const TrackHeader& track, const std::string& origin) {
    createOriginTable(db);
    db.execute(
        sql::format("insert or replace into TKORIGIN (tkid,stime,origin) values (%d,%f,'%s');",
                    {track.objid, track.stime, origin})
            .c_str());
}

std::string originOf(TrackDatabase& db, const TrackHeader& track) {
    if (!db.tableExists("TKORIGIN")) {
        return kLoggerOrigin;
    }
    SqlQuery row = db.query(
        sql::format("select origin from TKORIGIN where tkid = %d and stime > %f and stime < %f;",
                    {track.objid, track.stime - kHalfSecond, track.stime + kHalfSecond})
            .c_str());
    if (row.eof()) {
        return kLoggerOrigin;
    }
    return row.stringField(0, kLoggerOrigin);
}

}  // namespace vandrel
