#pragma once
// The statistics of every stored track, kept in a table of their own (TKSTAT) beside TK and
// TKPT: they never change once a track is stored, and computing them again from the points of
// every track for a year's totals would read millions of rows. TK and TKPT stay exactly as they
// are, so a program that knows nothing of TKSTAT still reads and writes the database; a
// trigger on TK removes a track's statistics whichever program deletes it, and tracks stored
// by such a program get theirs on first need (fillMissingStatistics). Each row carries the
// version of the way it was computed; rows of an earlier version count as missing, so that
// tracks stored before a change of the figures get the new ones on first need.

#include <functional>
#include <optional>
#include <vector>

#include "core/statistics_totals.h"
#include "core/track_statistics.h"
#include "store/sqlite_db.h"

namespace vandrel {

// Makes the table and its trigger when missing; inside the caller's write transaction.
void ensureStatisticsTable(TrackDatabase& db);

// Stores the statistics of a track just inserted (insertTrack calls it for a track that
// carries its points), replacing any row the track had.
void storeTrackStatistics(TrackDatabase& db, int tkid, const TrackStatistics& statistics);

// The stored statistics of a track; nothing when the table or a current row is missing.
std::optional<TrackStatistics> readTrackStatistics(TrackDatabase& db, int tkid);

// Stored tracks without current statistics; all of them when the table is missing.
int countTracksWithoutStatistics(TrackDatabase& db);

// Computes and stores the statistics of every track that lacks them, in one write
// transaction; `progress` is told (done, total) after each track. A failure rolls back and
// is rethrown. Returns the number of tracks filled.
int fillMissingStatistics(TrackDatabase& db,
                          const std::function<void(int, int)>& progress = nullptr);

// The totals inputs of the tracks starting in [from, to), in start order; tracks without
// statistics are left out (fill them first), rows of an earlier version count as they are.
std::vector<TrackTotalsInput> readTotalsInputs(TrackDatabase& db, double from, double to);

}  // namespace vandrel
