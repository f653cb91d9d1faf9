#pragma once
// What an import passed over in the files it read, and why.

#include <cstdint>

namespace vandrel {

struct TrackFileCounts {
    int tracksTooShort = 0;           // fewer than two points left
    int segmentsJoined = 0;           // segments that followed another one in its track
    int waypoints = 0;                // GPX wpt, passed over
    int routes = 0;                   // GPX rte, passed over
    int linesWithoutTimes = 0;        // KML LineString without a TimeSpan, passed over
    int linesTimedBySpan = 0;         // KML Placemarks whose lines were timed by their TimeSpan
    int places = 0;                   // KML Placemarks of a Point without a time, passed over
    int polygons = 0;                 // KML Polygons, passed over
    int overlays = 0;                 // KML ground, screen and photo overlays, passed over
    int tracksSplit = 0;              // tracks split in two or more
    int tracksFromSplits = 0;         // the tracks those splits made
    int splitsAtGaps = 0;             // where fixes lay further apart than the split gap
    int splitsWhereTimeRunsBack = 0;  // where a fix was over a minute earlier than the one before
    int64_t pointsReordered = 0;      // fixes up to a minute early, put in their place
    int64_t pointsWithoutTime = 0;    // no time, or one that is not a time
    int64_t pointsOutsideTimes = 0;   // a time no track may hold (core/track_times.h)
    int64_t pointsWithoutPlace = 0;   // no latitude or longitude, or one beyond the earth
    int64_t pointsImplausible = 0;    // a step of more than 100 m a second, or a bad number

    // Adds another file's counts to these.
    void add(const TrackFileCounts& other) {
        tracksTooShort += other.tracksTooShort;
        segmentsJoined += other.segmentsJoined;
        waypoints += other.waypoints;
        routes += other.routes;
        linesWithoutTimes += other.linesWithoutTimes;
        linesTimedBySpan += other.linesTimedBySpan;
        places += other.places;
        polygons += other.polygons;
        overlays += other.overlays;
        tracksSplit += other.tracksSplit;
        tracksFromSplits += other.tracksFromSplits;
        splitsAtGaps += other.splitsAtGaps;
        splitsWhereTimeRunsBack += other.splitsWhereTimeRunsBack;
        pointsReordered += other.pointsReordered;
        pointsWithoutTime += other.pointsWithoutTime;
        pointsOutsideTimes += other.pointsOutsideTimes;
        pointsWithoutPlace += other.pointsWithoutPlace;
        pointsImplausible += other.pointsImplausible;
    }
};

}  // namespace vandrel
