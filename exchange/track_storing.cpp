#include "exchange/track_storing.h"

#include "core/ground_distance.h"
#include "core/units.h"
#include "exchange/track_archive.h"
#include "store/track_origins.h"
#include "store/track_summary.h"

namespace vandrel {

bool plausibleStep(const TrackPoint& last, const TrackPoint& point) {
    const double d = GroundDistance(last.lat, last.lng, point.lat, point.lng);
    double limit = (point.sdate - last.sdate) * 86400.0 * 100.0;
    if (limit < 100.0) {
        limit = 100.0;
    }
    return d < limit;
}

TrackStoring::TrackStoring(TrackDatabase& db, UserPrompt& prompt, const DeviceSettings& settings,
                           std::string origin, Transactions transactions)
    : db_(db),
      prompt_(prompt),
      settings_(settings),
      origin_(std::move(origin)),
      transactions_(transactions) {}

namespace {
constexpr const char* kTrackSavepoint = "stored_track";
}

void TrackStoring::begin() {
    if (transactions_ == Transactions::OnePerTrack) {
        db_.beginImmediateTransaction();
    } else {
        db_.beginSavepoint(kTrackSavepoint);
    }
}

void TrackStoring::commit() {
    if (transactions_ == Transactions::OnePerTrack) {
        db_.commitTransaction();
    } else {
        db_.releaseSavepoint(kTrackSavepoint);
    }
}

void TrackStoring::rollback() noexcept {
    if (transactions_ == Transactions::OnePerTrack) {
        db_.rollbackTransaction();
    } else {
        db_.rollbackSavepoint(kTrackSavepoint);
    }
}

// The look-up and the write that depends on it are one write transaction: a track found
// missing cannot be stored by another program before this one stores it, which would leave it
// stored twice. The overwrite question is asked inside it; other programs can still read the
// database meanwhile. Stored: the transaction is open and the track is to be written, in place
// of `stored` when that is not 0; Kept and Failed have closed it again.
TrackStoring::Step TrackStoring::decide(double stime, int& stored) {
    try {
        begin();
        stored = db_.findTrackByStart(stime);
    } catch (const CppSQLite3Exception& e) {
        rollback();
        error_ = "Database error: " + db_.describe(e) + ". The load stopped.";
        return Step::Failed;
    }
    if (stored != 0 && !alwaysOverwrite_) {
        const OverwriteAnswer answer = prompt_.askOverwrite(kOverwriteLine1, kOverwriteLine2);
        if (answer == OverwriteAnswer::Ok) {
            rollback();
            return Step::Kept;
        }
        alwaysOverwrite_ = answer == OverwriteAnswer::AlwaysOverwrite;
    }
    return Step::Stored;
}

TrackStoring::Step TrackStoring::store(TrackHeader& track, const std::function<void()>& beforeWrite,
                                       const std::function<void()>& undo) {
    computeSummary(track);
    int stored = 0;
    if (const Step step = decide(track.stime, stored); step != Step::Stored) {
        return step;
    }
    if (beforeWrite) {
        beforeWrite();
    }
    if (!write(track, stored, undo)) {
        return Step::Failed;
    }
    return stored != 0 ? Step::Replaced : Step::Stored;
}

// Runs inside the track's transaction; the replaced track is deleted in it too, so that a
// failure leaves the stored track as it was.
bool TrackStoring::write(TrackHeader& track, int replacing, const std::function<void()>& undo) {
    try {
        if (replacing != 0) {
            db_.deleteTrack(replacing);
        }
        db_.insertTrack(track);
        for (TrackPoint& point : track.points) {
            point.tkid = track.objid;
        }
        db_.insertPoints(track.points);
        recordOrigin(db_, track, origin_);
        commit();
    } catch (const CppSQLite3Exception& e) {
        rollback();
        if (undo) {
            undo();
        }
        failedWriting(track, e);
        return false;
    }
    return true;
}

void TrackStoring::failedWriting(const TrackHeader& track, const CppSQLite3Exception& e) {
    error_ = "Database error while storing the track starting " +
             FormatDateTime(track.stime, settings_) + ": " + db_.describe(e) +
             ". That track was not stored and the load stopped.";
}

TrackStoring::Step TrackStoring::beginPieces(TrackHeader& first) {
    summary_ = TrackSummary();
    summary_.add(first.points);
    pieces_ = TrackHeader();
    pieces_.trail = first.trail;
    pieces_.tzome = first.tzome;
    summary_.fill(pieces_);
    int stored = 0;
    if (const Step step = decide(pieces_.stime, stored); step != Step::Stored) {
        return step;
    }
    try {
        if (stored != 0) {
            db_.deleteTrack(stored);
        }
        // Without its points, so that no statistics are taken of its first piece alone.
        db_.insertTrack(pieces_);
        first.objid = pieces_.objid;
        first.stime = pieces_.stime;
        insertPiece(first.points);
    } catch (const CppSQLite3Exception& e) {
        rollback();
        failedWriting(pieces_, e);
        return Step::Failed;
    }
    return stored != 0 ? Step::Replaced : Step::Stored;
}

void TrackStoring::insertPiece(std::vector<TrackPoint>& points) {
    for (TrackPoint& point : points) {
        point.tkid = pieces_.objid;
    }
    db_.insertPoints(points);
}

bool TrackStoring::morePieces(std::vector<TrackPoint>& points) {
    summary_.add(points);
    try {
        insertPiece(points);
    } catch (const CppSQLite3Exception& e) {
        rollback();
        failedWriting(pieces_, e);
        return false;
    }
    return true;
}

bool TrackStoring::endPieces() {
    summary_.fill(pieces_);
    try {
        db_.updateTrackSummary(pieces_);
        recordOrigin(db_, pieces_, origin_);
        commit();
    } catch (const CppSQLite3Exception& e) {
        rollback();
        failedWriting(pieces_, e);
        return false;
    }
    return true;
}

}  // namespace vandrel
