#pragma once
// One track as a GPX 1.1 file: one trk named by the track's start (track_name.h) with one
// trkseg holding every point with its position, elevation and time:
//
//   <?xml version="1.0" encoding="UTF-8" ?>
//   <gpx xmlns:xsi="..." xmlns:xsd="..." version="1.1" creator="Morvane v1.0" xmlns="..."
//        xmlns:vandrel="urn:vandrel:gpx:1">
//       <metadata />
//       <trk>
//           <name>2011-12-20 13:05:09</name>     (<name /> for a track without a time)
//           <cmt />
//           <extensions>
//               <vandrel:tzome>-480</vandrel:tzome>   the track's tzome
//           </extensions>
//           <trkseg>
//               <trkpt lat="22.500000" lon="114.250000">
//                   <ele>123</ele>
//                   <time>2011-12-20T05:05:09Z</time>
//                   <extensions>                        the stored values, exactly
//                       <vandrel:alt>123.9</vandrel:alt>  (shortest text of the float;
//                       <vandrel:bar>1013.25</vandrel:bar>  left out when not finite)
//                       <vandrel:tmp>21</vandrel:tmp>
//                   </extensions>
//               </trkpt>
//           </trkseg>
//       </trk>
//   </gpx>
//
// Four blanks of indentation per level, lines ending in CR LF, no byte-order mark. The time is
// UTC, as GPX defines it: the point's local time plus the track's tzome minutes.

#include <tinyxml2.h>

#include <filesystem>
#include <string>

#include "core/track_records.h"
#include "exchange/exchange_result.h"

namespace vandrel {

// The save dialog's choice of files.
extern const char* const kGpxFilterDescription;  // "GPX Files (*.gpx)"
// The namespace of the program's own extensions, which give an import the stored values back.
extern const char* const kVandrelGpxNamespace;  // "urn:vandrel:gpx:1"

// Prints the whole document into printer.
void printGpx(tinyxml2::XMLPrinter& printer, const TrackHeader& track);
// The document as text, exactly as the file holds it.
std::string gpxText(const TrackHeader& track);
// Writes the file; a failure leaves whatever was at path before untouched.
ExchangeResult exportGpx(const std::filesystem::path& path, const TrackHeader& track);

// "YYYY-MM-DDTHH:MM:SSZ" of a point's local time shifted by tzome minutes; empty when the
// time lies outside the calendar's years 100 to 9999.
std::string gpxUtcTime(double localOleDate, int tzomeMinutes);

}  // namespace vandrel
