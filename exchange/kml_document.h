#pragma once
// The KML 2.2 document of a KMZ export, printed in one line (no indentation, no line break):
//
//   <?xml version="1.0" encoding="UTF-8" ?><kml xmlns="http://www.opengis.net/kml/2.2">
//   <Document>
//     <name>             the track's start, "2011-12-20 13:05:09" (track_name.h); left out
//                        for a track without a time
//     <Style id="entry_0">  IconStyle: scale 0.8, Icon href files/s.png       (start)
//     <Style id="entry_1">  ... one per photo, href files/<photo's file name>
//     <Style id="entry_N">  IconStyle with href files/e.png                    (end)
//     <Style id="vandrel_style"><LineStyle><color>7fff0000</color><width>4</width>...
//     <Placemark> name "start", empty description, LookAt, styleUrl #entry_0, Point
//     <Placemark> name "photo", description: CDATA balloon, LookAt, styleUrl #entry_k, Point
//     <Placemark> name "end", ...
//     <Placemark> name "track", styleUrl #vandrel_style, LineString: tessellate 1,
//                 coordinates "lng,lat " of every point with five decimals
//   </Document></kml>
//
// The layout follows the KML 2.2 schema so that strict readers see every placemark: all
// styles come before the placemarks (a Document holds its style selectors before its
// features), each icon style has an id of its own that its placemark refers to (ids must be
// unique), the LookAt children stand in the schema's order (longitude, latitude, altitude,
// heading, tilt, range, altitudeMode), and no element leaves the KML namespace.

#include <filesystem>
#include <string>
#include <vector>

#include "core/track_records.h"
#include "exchange/photo_files.h"

namespace vandrel {

struct KmzEntry {
    std::filesystem::path source;
    std::string name;          // "files/s.png", "files/<photo's file name>", "files/e.png"
    bool storedPhoto = false;  // source is a point's pho, read only as openStoredPhoto reads it
};

struct KmlDocument {
    std::string text;  // the printed document, UTF-8, without terminator
    // The files to pack, in order: the start icon, the photos in point order (a photo used
    // twice is listed twice), the end icon. A photo whose name is not XML text (xmlText) has
    // no source: it is packed empty.
    std::vector<KmzEntry> files;
};

// The balloon of a photo placemark: the photo at 640 x 480 over its coordinates.
std::string photoBalloon(const std::string& link, double lat, double lng);

// Requires at least one point.
KmlDocument buildKml(const TrackHeader& track, const std::filesystem::path& startIcon,
                     const std::filesystem::path& endIcon);

}  // namespace vandrel
