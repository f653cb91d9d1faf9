#pragma once
// The name an exported track goes by: its start, in the logger's local time as the track list
// shows it, "2026-11-10 10:00:00". The GPX file's trk name and the KMZ document's name carry
// it; the save dialog offers it as the file name with dashes for the colons,
// "2026-11-10 10-00-00.gpx", a name that every file system takes (no colon, slash, backslash or
// other character that FAT, NTFS or a Unix file system refuses).

#include <string>
#include <vector>

#include "core/track_records.h"

namespace vandrel {

// The track's start time (`stime`, or the first point's time when the header has none) as
// "YYYY-MM-DD HH:MM:SS"; empty when the track has neither or the time lies outside the years
// 100 to 9999.
std::string trackName(const TrackHeader& track);

// trackName with '-' for ':', then "." and the extension; "Untitled.<extension>" when the
// track has no name.
std::string trackFileName(const TrackHeader& track, const std::string& extension);

// The name an archive of these tracks is offered under: one track's trackFileName; several
// tracks' first and last day, "2026-06-01 to 2026-06-05.prg", or their one day,
// "2026-06-05.prg".
std::string archiveFileName(const std::vector<TrackHeader>& tracks, const std::string& extension);

}  // namespace vandrel
