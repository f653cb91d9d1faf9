#pragma once
// Where each stored track came from: the logger, a track archive or a file imported from
// another device or program. The table is the program's own addition beside TK and TKPT, which
// stay as every earlier version made them, so that an earlier version still reads the database
// (it never looks at this table).
//
//   create table TKORIGIN (tkid integer primary key, stime double, origin text)
//
// tkid is the TK row; stime repeats its start, so that a row left behind by a track deleted
// elsewhere (an earlier version, which does not know this table) is never taken for the
// origin of a later track that gets the same row id. A track without a row came from the
// logger: downloads write none.

#include <string>

#include "core/track_records.h"
#include "store/sqlite_db.h"

namespace vandrel {

// What the track list shows for a track without a row.
extern const char* const kLoggerOrigin;  // "logger"

// Inside a write transaction: creates the table when the database lacks it.
void createOriginTable(TrackDatabase& db);
// Inside a write transaction: records where the inserted track came from, replacing any row
// left for its id.
void recordOrigin(TrackDatabase& db, const TrackHeader& track, const std::string& origin);
// Where the stored track came from; kLoggerOrigin when nothing was recorded for it.
std::string originOf(TrackDatabase& db, const TrackHeader& track);

}  // namespace vandrel
