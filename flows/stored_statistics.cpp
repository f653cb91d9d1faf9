#include "flows/stored_statistics.h"

#include "store/track_statistics_table.h"

namespace vandrel {

int fillStoredStatistics(Session& session, const std::function<void(int, int)>& progress) {
    TrackDatabase& db = session.database();
    if (tracksWithoutStatistics(session) == 0) {
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

int tracksWithoutStatistics(Session& session) {
    TrackDatabase& db = session.database();
    return db.isOpen() && db.tableExists("TK") ? countTracksWithoutStatistics(db) : 0;
}

std::vector<PeriodTotals> readStoredTotals(Session& session, double from, double to,
                                           TotalsPeriod period) {
    TrackDatabase& db = session.database();
    if (!db.isOpen() || !db.tableExists("TK")) {
        return {};
    }
    return totalsBy(readTotalsInputs(db, from, to), period);
}

std::vector<PeriodTotals> storedTotals(Session& session, double from, double to,
                                       TotalsPeriod period) {
    fillStoredStatistics(session);
    return totalsBy(readTotalsInputs(session.database(), from, to), period);
}

}  // namespace vandrel
