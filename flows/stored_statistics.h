#pragma once
// The statistics of stored tracks as the pages and the command line ask for them: filled in
// for the tracks that lack them first, read from their table after.

#include <functional>
#include <vector>

#include "core/statistics_totals.h"
#include "core/track_statistics.h"
#include "flows/session.h"

namespace vandrel {

// Computes and stores the statistics the database lacks (tracks stored by the previous
// version); `progress` is told (done, total) for the busy indicator. A database that cannot be
// written is left as it is: the statistics are then computed where they are needed. Returns
// the number of tracks filled.
int fillStoredStatistics(Session& session, const std::function<void(int, int)>& progress = {});

// The statistics of one stored track: its stored row, or computed from its points (read when
// the header carries none).
TrackStatistics storedTrackStatistics(Session& session, const TrackHeader& track);

// Stored tracks that lack statistics (none when the database has no tables yet).
int tracksWithoutStatistics(Session& session);

// Totals of the tracks starting in [from, to) per period, from the stored statistics alone:
// quick enough for every redraw.
std::vector<PeriodTotals> readStoredTotals(Session& session, double from, double to,
                                           TotalsPeriod period);

// Totals of the tracks starting in [from, to) per period, after filling what is missing.
std::vector<PeriodTotals> storedTotals(Session& session, double from, double to,
                                       TotalsPeriod period);

}  // namespace vandrel
