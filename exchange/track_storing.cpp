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

TrackStoring::Step TrackStoring::store(TrackHeader& track, const std::function<void()>& beforeWrite,
                                       const std::function<void()>& undo) {
    computeSummary(track);
    // The look-up and the write that depends on it are one write transaction: a track found
    // missing cannot be stored by another program before this one stores it, which would
    // leave it stored twice. The overwrite question is asked inside it; other programs can
    // still read the database meanwhile.
    int stored = 0;
    try {
        begin();
        stored = db_.findTrackByStart(track.stime);
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
        error_ = "Database error while storing the track starting " +
                 FormatDateTime(track.stime, settings_) + ": " + db_.describe(e) +
                 ". That track was not stored and the load stopped.";
        return false;
    }
    return true;
}

}  // namespace vandrel
