#pragma once
// One track of a file while its points are read, handed on in pieces once they are settled, so
// that a recording of millions of points is never held whole: the import's memory stays
// bounded whatever the file's length.
//
// Each point passes, in the file's order:
//   - a time no track may hold (core/track_times.h) is passed over and counted;
//   - further than the split gap after the latest fix, or over a minute before it (a clock set
//     back, a receiver's week rollover), the point begins a new track: each stretch is true to
//     its own clock, and its span covers all its points;
//   - up to a minute before the latest fix (as some devices write one), it is put in its place;
//   - a minute after the latest fix, a point is settled: it gets its local time, and a step no
//     one could make from the point kept before it is dropped, as the download drops it.
// A stretch that ends with all its points in memory goes to the sink whole; a longer one goes
// in pieces of kPiecePoints.

#include <cstdint>
#include <optional>
#include <vector>

#include "core/track_records.h"
#include "exchange/track_file_counts.h"

namespace vandrel {

// Where the tracks go. Each method returns false to stop the reading.
class TrackSink {
  public:
    virtual ~TrackSink() = default;
    // A whole track of two points or more, its points' local times and tzome set; `cut`: the
    // file broke off in it.
    virtual bool whole(TrackHeader& track, bool cut) = 0;
    // A long track in pieces: its first points (tzome set), the ones after, its end.
    virtual bool begin(TrackHeader& first) = 0;
    virtual bool more(std::vector<TrackPoint>& points) = 0;
    virtual bool end(bool cut) = 0;
};

class TrackStream {
  public:
    static constexpr size_t kPiecePoints = 16384;

    TrackStream(TrackSink& sink, TrackFileCounts& counts, double splitGapSeconds)
        : sink_(sink), counts_(counts), splitGap_(splitGapSeconds) {}

    // A track of the file begins.
    void start();
    // The next point, its sdate in UTC seconds; tzome is the track's as known so far, taken
    // for good once a point settles. False when the sink asked to stop.
    bool add(TrackPoint point, int32_t tzome);
    // The track of the file has ended; `cut`: the file broke off in it. False when the sink
    // asked to stop.
    bool finish(int32_t tzome, bool cut);
    // The local time of the last point of the cut track handed on, none when none was.
    std::optional<double> lastCutPoint() const { return lastCut_; }

  private:
    bool endStretch(bool cut, int32_t tzome);
    void settle(double before, int32_t tzome);
    bool handOn();

    TrackSink& sink_;
    TrackFileCounts& counts_;
    double splitGap_;
    std::optional<int32_t> tzome_;  // taken at the first settled point
    int stretches_ = 0;             // begun in this track of the file
    // The stretch: points not yet settled (UTC seconds, in time order), the latest time among
    // them, the settled points not yet handed on, and the last point kept.
    std::vector<TrackPoint> pending_;
    std::optional<double> latest_;
    std::vector<TrackPoint> settled_;
    std::optional<TrackPoint> lastKept_;
    bool begun_ = false;                    // the sink has the stretch's first piece
    size_t nextSettle_ = 2 * kPiecePoints;  // pending points at which to settle again
    std::optional<double> lastCut_;
};

}  // namespace vandrel
