#pragma once
// Importing the tracks of files that other devices and programs write: GPX, TCX, KML and KMZ
// read natively (track_file_reader.h), any other format that gpsbabel reads through it. Each
// track is stored as the archive load stores one (track_storing.h): its own transaction, the
// start-time duplicate rule and the overwrite question, and the file's name as its origin.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_settings.h"
#include "core/user_prompt.h"
#include "exchange/exchange_result.h"
#include "exchange/track_file_counts.h"
#include "store/sqlite_db.h"

namespace vandrel {

// The open dialog's filters of the track files the program reads.
extern const char* const kImportFilterDescription;  // "All supported"
// "*.prg;*.gpx;*.tcx;*.kml;*.kmz" and the extensions gpsbabelFormatOf knows.
extern const char* const kImportFilterPattern;

// Six hours: a long lunch or a stop at a hut stays within the day's track; a night does not.
constexpr double kDefaultSplitGapSeconds = 6 * 3600;

struct ImportOptions {
    // The time zone of times given in UTC (TimeZone) and the clock of the messages.
    DeviceSettings settings;
    // gpsbabel's name of the file's format; empty: by the file's extension.
    std::string gpsbabelFormat;
    std::string gpsbabel = "gpsbabel";
    // Fixes further apart in time than this begin a new track (0: never): a person calls a
    // recording resumed after a night or months later a new trip.
    double splitGapSeconds = kDefaultSplitGapSeconds;
};

struct ImportResult : ExchangeResult {
    bool read = false;  // the file was a track file and was read (stored or not)
    int stored = 0;
    int replaced = 0;
    int kept = 0;  // already stored, kept at the overwrite question
    int64_t pointsStored = 0;
    double newestStart = 0;  // the latest start of a track stored or replaced; 0: none
    TrackFileCounts counts;
    // What a person needs to know of single files beyond the counts, one line each: a file
    // that ends early or is damaged, one that held nothing to put in the calendar.
    std::vector<std::string> notes;
    bool whole = true;  // no file broke off (its note says what was kept)

    void add(const ImportResult& other);
};

// Stores the tracks of one file as they are read, each once it has ended. A file that cannot
// be read, is no track file, is not XML from its start or is refused as hostile is not ok,
// with the reason, and stores nothing; so does a database failure. A file that breaks off
// after its start (cut short by a device that lost power, or damaged) keeps the whole tracks
// before the fault and the track it breaks off in up to its last whole point, whose origin
// says it is cut, and a note says where.
ImportResult importTrackFile(const std::filesystem::path& file, TrackDatabase& db,
                             UserPrompt& prompt, const ImportOptions& options);

// The same for a GPX, TCX or KML document already in memory; file names it.
ImportResult importTrackText(std::string_view text, const std::filesystem::path& file,
                             TrackDatabase& db, UserPrompt& prompt, const ImportOptions& options);

// What the import did, in one line: "3 tracks stored, 1 skipped as already stored, 12 points
// without a time skipped"; the notes follow it, a line each.
std::string importSummary(const ImportResult& result);

}  // namespace vandrel
