#pragma once
// A KML LineString: its coordinates, "lon,lat[,alt]" tuples parted by blanks, read in pieces
// however long the text (a whole track's line is one text), and the times a line gets from
// its Placemark's TimeSpan.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/track_records.h"

namespace vandrel {

class LineCoordinates {
  public:
    // Each whole tuple becomes a point of points (lat, lng and alt set); one that is no place
    // on the earth is counted into withoutPlace instead.
    LineCoordinates(std::vector<TrackPoint>& points, int64_t& withoutPlace)
        : points_(points), withoutPlace_(withoutPlace) {}

    void add(std::string_view piece);
    // The text has ended: its last tuple is whole.
    void finish();

  private:
    void endTuple();

    std::vector<TrackPoint>& points_;
    int64_t& withoutPlace_;
    std::string tuple_;  // the tuple read so far, bounded: a longer one is no place
    bool tooLong_ = false;
};

// Gives the points times (UTC seconds in sdate) from begin to end in proportion to the
// distance along the line, the first at begin and the last at end; points all in one place
// get times evenly apart.
void spreadTimes(std::vector<TrackPoint>& points, double beginUtc, double endUtc);

}  // namespace vandrel
