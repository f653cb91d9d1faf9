#include "core/track_times.h"

#include "core/ole_date.h"

namespace vandrel {
namespace {

constexpr int64_t kOleEpochDays = 25569;  // 1899-12-30 to 1970-01-01

// The range as OLE dates, [first, end): both are positive, so that dates compare as numbers.
double firstOleDate() {
    static const double first =
        static_cast<double>(daysFromCivil(kFirstTrackYear, 1, 1) + kOleEpochDays);
    return first;
}

double endOleDate() {
    static const double end =
        static_cast<double>(daysFromCivil(kLastTrackYear + 1, 1, 1) + kOleEpochDays);
    return end;
}

bool inRange(double oleDate) {
    return oleDate >= firstOleDate() && oleDate < endOleDate();
}

}  // namespace

bool isTrackYear(int year) {
    return year >= kFirstTrackYear && year <= kLastTrackYear;
}

bool isTrackUtcTime(double utcSeconds) {
    return inRange(utcSeconds / 86400.0 + static_cast<double>(kOleEpochDays));
}

bool isTrackTime(double localOleDate, int32_t tzome) {
    return inRange(localOleDate) && inRange(localOleDate + tzome / 1440.0);
}

std::string trackYearsText() {
    return "the years " + std::to_string(kFirstTrackYear) + " to " + std::to_string(kLastTrackYear);
}

size_t firstPointOutsideTimes(const TrackHeader& track) {
    for (size_t i = 0; i < track.points.size(); ++i) {
        if (!isTrackTime(track.points[i].sdate, track.tzome)) {
            return i + 1;
        }
    }
    return 0;
}

std::string pointOutsideTimesReason(size_t point) {
    return "point " + std::to_string(point) + " of the track is dated outside " + trackYearsText() +
           ", which no track may hold; delete the track, or import its file " +
           "again to store it without such points";
}

}  // namespace vandrel
