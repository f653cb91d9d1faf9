#pragma once
// Storing a track read from a file (an archive or an imported track), one track at a time: each
// track is its own write transaction (or its own part of the caller's), a stored track starting
// within one second is the same track, and the user is asked before it is replaced. Where the track
// came from is recorded beside it (store/track_origins.h).

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

#include "core/device_settings.h"
#include "core/track_records.h"
#include "core/user_prompt.h"
#include "store/sqlite_db.h"
#include "store/track_summary.h"

namespace vandrel {

// A point is kept when it lies less than 100 m a second from the last kept one; any step
// under 100 m is kept, however short the time.
bool plausibleStep(const TrackPoint& last, const TrackPoint& point);

class TrackStoring {
  public:
    enum class Step { Stored, Replaced, Kept, Failed };
    // Each track its own transaction, or a part of the caller's open write transaction (a
    // savepoint) that the caller commits or undoes with the others.
    enum class Transactions { OnePerTrack, InsideCallers };

    // settings give the clock of the messages; origin is recorded for each track stored.
    TrackStoring(TrackDatabase& db, UserPrompt& prompt, const DeviceSettings& settings,
                 std::string origin, Transactions transactions = Transactions::OnePerTrack);

    // Stores the track, with its summary computed, asking first when it is stored already
    // (an answer of "always" holds for the tracks after it). beforeWrite runs once the track
    // is to be written, inside its transaction; undo runs when the write then failed. Failed:
    // a database failure, which error() tells; nothing of that track was stored, and the
    // caller stops.
    Step store(TrackHeader& track, const std::function<void()>& beforeWrite = {},
               const std::function<void()>& undo = {});
    const std::string& error() const { return error_; }
    void setOrigin(std::string origin) { origin_ = std::move(origin); }

    // A track too long to hold whole, stored in pieces within one transaction of its own (or
    // part of the caller's): beginPieces with its first points, whose start decides the duplicate
    // rule and the question as store() does; then morePieces with the rest in order; then
    // endPieces, which writes its summary and origin. A Failed step, or a false, is a database
    // failure (error()): nothing of the track is stored. Its statistics are computed when first
    // asked for, as a track's whose figures are missing.
    Step beginPieces(TrackHeader& first);
    bool morePieces(std::vector<TrackPoint>& points);
    bool endPieces();

  private:
    Step decide(double stime, int& stored);
    bool write(TrackHeader& track, int replacing, const std::function<void()>& undo);
    void insertPiece(std::vector<TrackPoint>& points);
    void failedWriting(const TrackHeader& track, const CppSQLite3Exception& e);
    void begin();
    void commit();
    void rollback() noexcept;

    TrackDatabase& db_;
    UserPrompt& prompt_;
    DeviceSettings settings_;
    std::string origin_;
    Transactions transactions_;
    bool alwaysOverwrite_ = false;
    std::string error_;
    // The track being stored in pieces.
    TrackHeader pieces_;
    TrackSummary summary_;
};

// Counts what store() did with a track into a load's result (an archive's or an import's, each
// with stored, replaced, kept and pointsStored). False when the load must stop.
template <typename Result>
bool countStoredTrack(TrackStoring::Step step, const TrackStoring& storing,
                      const TrackHeader& track, Result& result) {
    switch (step) {
        case TrackStoring::Step::Failed:
            result.ok = false;
            result.error = storing.error();
            return false;
        case TrackStoring::Step::Kept:
            ++result.kept;
            return true;
        case TrackStoring::Step::Replaced:
            ++result.replaced;
            break;
        case TrackStoring::Step::Stored:
            ++result.stored;
            break;
    }
    result.pointsStored += static_cast<int64_t>(track.points.size());
    // The pages open the calendar on the newest track a load brought in.
    result.newestStart = std::max(result.newestStart, track.stime);
    return true;
}

}  // namespace vandrel
