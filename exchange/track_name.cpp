#include "exchange/track_name.h"

#include <algorithm>
#include <cstdio>

#include "core/ole_date.h"

namespace vandrel {

std::string trackName(const TrackHeader& track) {
    // A stored track always has its start; a track made in memory may only have points.
    double start = track.stime;
    if (start == 0 && !track.points.empty()) {
        start = track.points.front().sdate;
    }
    SystemTime st;
    if (start == 0 || !VariantTimeToSystemTime(start, st)) {
        return {};
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", st.year, st.month, st.day,
                  st.hour, st.minute, st.second);
    return text;
}

std::string trackFileName(const TrackHeader& track, const std::string& extension) {
    std::string name = trackName(track);
    if (name.empty()) {
        name = "Untitled";
    }
    std::replace(name.begin(), name.end(), ':', '-');
    return name + "." + extension;
}

std::string archiveFileName(const std::vector<TrackHeader>& tracks, const std::string& extension) {
    if (tracks.size() == 1) {
        return trackFileName(tracks.front(), extension);
    }
    // Names sort by time as text does, so the first and last day are the least and greatest.
    std::string first, last;
    for (const TrackHeader& track : tracks) {
        const std::string day = trackName(track).substr(0, 10);
        if (day.empty()) {
            continue;
        }
        first = first.empty() ? day : std::min(first, day);
        last = std::max(last, day);
    }
    if (first.empty()) {
        return "Untitled." + extension;
    }
    return (first == last ? first : first + " to " + last) + "." + extension;
}

}  // namespace vandrel
