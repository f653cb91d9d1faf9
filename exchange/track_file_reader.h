#pragma once
// Tracks read from GPX 1.0 and 1.1, TCX and KML, streamed through libxml2's reader (see
// archive_xml.h: no document type, nothing loaded or fetched), one track in memory at a time.
//
//   GPX  each trk is a track; its trkseg follow one another in it (the track holds no breaks),
//        wpt and rte are passed over and counted. A trkpt gives lat, lon, ele, time; the
//        program's own extensions give the exact alt, bar and tmp, and an extension element
//        named atemp (the common track-point extension) the temperature.
//   TCX  each Activity and each Course is a track, its Laps' Tracks following one another; a
//        Trackpoint gives Time, Position/LatitudeDegrees and LongitudeDegrees, AltitudeMeters.
//   KML  each Track (of KML's extensions) is a track, and each MultiTrack one track of its
//        Tracks: the i-th when is the time of the i-th coord "lon lat alt". The LineStrings
//        of a Placemark with a TimeSpan (before them, as KML orders a Placemark) are one
//        track, its points timed from begin to end in proportion to the distance along it; a
//        line without one has no times and is passed over and counted. The Placemarks of a
//        Folder that each hold a Point and a TimeStamp are one track, as converters write a
//        track's points beside its untimed line (which then is that track's, and not counted);
//        in a folder named Waypoints they are waypoints. Places without a time, polygons and
//        overlays are passed over and counted.
//
// A track whose fixes lie further apart than the split gap, or whose time runs back by more
// than a minute from one fix to the next, is handed on as one track for each stretch between;
// a fix up to a minute early is put in its place. Every track runs forward in time, and its
// span covers all its points.
//
// Times become local with the track's tzome: the one the program's GPX export writes on the
// trk, else the offset the first timed point was written with, else the given default.

#include <cstdint>
#include <optional>
#include <string>

#include "core/track_records.h"
#include "exchange/archive_xml.h"
#include "exchange/track_file_counts.h"
#include "exchange/track_stream.h"

namespace vandrel {

// Where a document broke off (see readTrackFile).
struct TrackFileBreak {
    int line = 0;        // the fault's line in the file, 0 when not known
    bool atEnd = false;  // the file ends early; else it is damaged at the line
    std::string reason;  // what the XML parser said of the fault
    // The track it broke off in, kept with its whole points: the local time of its last
    // point, or none when too little of it was left to keep.
    std::optional<double> keptUntil;
};

struct TrackFileRead {
    bool ok = true;
    std::string error;  // why the file could not be read, when !ok
    std::optional<TrackFileBreak> broke;
};

struct TrackFileOptions {
    int32_t defaultTzome = 0;  // the zone of times in UTC without one of their own
    // Fixes further apart in time than this begin a new track; 0 never splits.
    double splitGapSeconds = 6 * 3600;
};

// Reads the tracks of a document in one pass (streamXml), handing each track of two points or
// more to `sink` as it is read (track_stream.h: whole, or a long one in pieces), with its
// points' local times and tzome set and no summary; the sink returns false to stop, and its
// `cut` says the track is the one the document broke off in. Counts what it passed over into
// counts. A document that is no track file, or that is not XML, unreadable or refused from its
// start, is not ok, with the reason. One that breaks off after its start (cut short, or
// damaged) is ok with `broke` set: the tracks before the fault are handed on, and so is the
// track it broke off in, up to its last whole point.
TrackFileRead readTrackFile(ArchiveSource& source, const ThreadMessages& thread,
                            const TrackFileOptions& options, TrackFileCounts& counts,
                            TrackSink& sink);

}  // namespace vandrel
