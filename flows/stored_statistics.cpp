#include "flows/stored_statistics.h"

#include "store/track_statistics_table.h"

namespace vandrel {

int fillStoredStatistics(Session& session, const std::function<void(int, int)>& progress) {
    TrackDatabase& db = session.database();
    if (!db.tableExists("TK") || countTracksWithoutStatistics(db) == 0) {
        return 0;
    }
    try {
        return fillMissingStatistics(db, progress);
    } catch (const CppSQLite3Exception& e) {
        if (e.errorCode() != SQLITE_READONLY) {
            throw;
        }
        return 0;
    }
}

TrackStatistics storedTrackStatistics(Session& session, const TrackHeader& track) {
    TrackDatabase& db = session.database();
    if (std::optional<TrackStatistics> stored = readTrackStatistics(db, track.objid)) {
        return *stored;
    }
    if (!track.points.empty()) {
        return computeTrackStatistics(track.points);
    }
    return computeTrackStatistics(db.readTrackPoints(track.objid));
}

std::vector<PeriodTotals> storedTotals(Session& session, double from, double to,
                                       TotalsPeriod period) {
    fillStoredStatistics(session);
    return totalsBy(readTotalsInputs(session.database(), from, to), period);
}

}  // namespace vandrel
