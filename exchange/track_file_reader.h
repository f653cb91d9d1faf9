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
//        line without one has no times and is passed over and counted.
//
// Times become local with the track's tzome: the one the program's GPX export writes on the
// trk, else the offset the first timed point was written with, else the given default.

#include <cstdint>
#include <functional>
#include <string>

#include "core/track_records.h"
#include "exchange/archive_xml.h"
#include "exchange/track_file_counts.h"

namespace vandrel {

struct TrackFileRead {
    bool ok = true;
    std::string error;  // why the file could not be read, when !ok
};

// Reads the tracks of a document in one pass (streamXml), handing each track of two points or
// more to `take` as soon as it has ended, with its points' local times, tzome set and no
// summary; `take` returns false to stop. Counts what it passed over into counts. A document
// that turns out not to be read (not well-formed, cut short, refused) is not ok, with the
// reason; the tracks handed on before stay handed on, and the one it broke off in is not.
TrackFileRead readTrackFile(ArchiveSource& source, const ThreadMessages& thread,
                            int32_t defaultTzome, TrackFileCounts& counts,
                            const std::function<bool(TrackHeader&)>& take);

}  // namespace vandrel
