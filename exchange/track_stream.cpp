#include "exchange/track_stream.h"

#include <algorithm>
#include <limits>

#include "core/track_times.h"
#include "exchange/iso_time.h"
#include "exchange/track_storing.h"

namespace vandrel {
namespace {

// A fix earlier than the latest one by no more than this is put in its place; by more, the
// track is split there.
constexpr double kMostStepBackSeconds = 60;

}  // namespace

void TrackStream::start() {
    tzome_.reset();
    stretches_ = 0;
    pending_.clear();
    latest_.reset();
    settled_.clear();
    lastKept_.reset();
    begun_ = false;
    lastCut_.reset();
    nextSettle_ = 2 * kPiecePoints;
}

bool TrackStream::add(TrackPoint point, int32_t tzome) {
    const double at = point.sdate;
    if (!isTrackUtcTime(at)) {
        ++counts_.pointsOutsideTimes;
        return true;
    }
    if (latest_ && splitGap_ > 0 && at - *latest_ > splitGap_) {
        ++counts_.splitsAtGaps;
        if (!endStretch(false, tzome)) {
            return false;
        }
    } else if (latest_ && at < *latest_ - kMostStepBackSeconds) {
        ++counts_.splitsWhereTimeRunsBack;
        if (!endStretch(false, tzome)) {
            return false;
        }
    } else if (latest_ && at < *latest_) {
        ++counts_.pointsReordered;
    }
    if (!latest_) {
        ++stretches_;
    }
    // In time order, after the points of the same time: a point is at most a minute early, so
    // its place is found from the end.
    auto place = pending_.end();
    while (place != pending_.begin() && std::prev(place)->sdate > at) {
        --place;
    }
    pending_.insert(place, std::move(point));
    latest_ = std::max(latest_.value_or(at), at);
    if (pending_.size() < nextSettle_) {
        return true;
    }
    // Points of one time never settle; the next look waits for as many again, so that such a
    // file costs no more than a look per piece.
    settle(*latest_ - kMostStepBackSeconds, tzome);
    nextSettle_ = pending_.size() + 2 * kPiecePoints;
    return settled_.size() < kPiecePoints || handOn();
}

// The pending points before `before` (UTC seconds) get their local times and join the settled
// ones, unless no one could have reached them from the point kept before.
void TrackStream::settle(double before, int32_t tzome) {
    if (!tzome_) {
        tzome_ = tzome;
    }
    const auto end =
        std::lower_bound(pending_.begin(), pending_.end(), before,
                         [](const TrackPoint& point, double time) { return point.sdate < time; });
    for (auto it = pending_.begin(); it != end; ++it) {
        TrackPoint& point = *it;
        point.sdate = localOleDate(point.sdate, *tzome_);
        if (!isTrackTime(point.sdate, *tzome_)) {  // the zone took it past the range
            ++counts_.pointsOutsideTimes;
            continue;
        }
        const TrackPoint* last = !settled_.empty() ? &settled_.back()
                                 : lastKept_       ? &*lastKept_
                                                   : nullptr;
        if (last != nullptr && !plausibleStep(*last, point)) {
            ++counts_.pointsImplausible;
            continue;
        }
        settled_.push_back(std::move(point));
    }
    pending_.erase(pending_.begin(), end);
}

bool TrackStream::handOn() {
    lastKept_ = settled_.back();
    bool more = true;
    if (!begun_) {
        TrackHeader first;
        first.tzome = *tzome_;
        first.points = std::move(settled_);
        begun_ = true;
        more = sink_.begin(first);
    } else {
        more = sink_.more(settled_);
    }
    settled_.clear();
    return more;
}

bool TrackStream::endStretch(bool cut, int32_t tzome) {
    settle(std::numeric_limits<double>::infinity(), tzome);
    bool more = true;
    if (begun_) {
        if (cut) {
            lastCut_ = !settled_.empty() ? settled_.back().sdate : lastKept_->sdate;
        }
        more = (settled_.empty() || sink_.more(settled_)) && sink_.end(cut);
    } else if (settled_.size() < 2) {
        ++counts_.tracksTooShort;
    } else {
        TrackHeader track;
        track.tzome = *tzome_;
        track.points = std::move(settled_);
        if (cut) {
            lastCut_ = track.points.back().sdate;
        }
        more = sink_.whole(track, cut);
    }
    pending_.clear();
    settled_.clear();
    latest_.reset();
    lastKept_.reset();
    begun_ = false;
    nextSettle_ = 2 * kPiecePoints;
    return more;
}

bool TrackStream::finish(int32_t tzome, bool cut) {
    const bool more = !latest_ || endStretch(cut, tzome);
    if (stretches_ > 1) {
        ++counts_.tracksSplit;
        counts_.tracksFromSplits += stretches_;
    }
    return more;
}

}  // namespace vandrel
