#pragma once
// Where an imported file's document comes from when it is not the file itself: the KML inside
// a KMZ, or the GPX that gpsbabel makes of a format the program does not read. Either is
// written into an unnamed temporary file, which the reader then reads like any file;
// memory stays bounded whatever the size.

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/file_reading.h"

namespace vandrel {

// The package to install for other formats.
extern const char* const kGpsbabelPackage;  // "gpsbabel"

struct SpooledDocument {
    FileHandle file;    // at its start; null on failure
    std::string error;  // why there is none
};

// The first .kml entry of a KMZ (a zip archive); `opened` is the KMZ.
SpooledDocument kmlOfKmz(const std::filesystem::path& kmz);

// gpsbabel -i FORMAT -f FILE -o gpx -F -, run without a shell (the arguments are a vector, so
// no name in them is ever read as shell syntax), its GPX read from a pipe. `program` is the
// gpsbabel to run, looked up in PATH when it holds no slash.
SpooledDocument gpxFromGpsbabel(const std::string& program, const std::string& format,
                                const std::filesystem::path& file);

// gpsbabel's name of the format of a file by its extension ("igc" gives "igc", "csv" "unicsv");
// empty when it is not one the program knows.
std::string gpsbabelFormatOf(const std::filesystem::path& file);

// gpsbabel's name of the format of an XML document by its root element ("loc" gives "geo");
// empty when it is not one the program knows.
std::string gpsbabelFormatOfRoot(const std::string& root);

}  // namespace vandrel
