#pragma once
// The time-stamp names photos get when the program copies them into its "photos" folder.

#include <cstdint>
#include <functional>
#include <string>

#include "core/ole_date.h"

namespace vandrel {

// The local time, as loaded photos are named by it (localTimeWithMilliseconds).
using LocalClock = std::function<SystemTime()>;

// Names for loaded photos, "%.4d%.2d%.2d%.2d%.2d%.2d%.3d" of the local time of the copy
// (year to millisecond). Two names of one load never match: a name that would not be later
// than the one before takes the next millisecond instead.
class PhotoStamps {
  public:
    explicit PhotoStamps(LocalClock clock) : clock_(std::move(clock)) {}
    std::string next();

  private:
    LocalClock clock_;
    int64_t last_ = INT64_MIN;
};

}  // namespace vandrel
