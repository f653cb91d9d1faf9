#pragma once
// Importing the tracks of files that other devices and programs write: GPX, TCX, KML and KMZ
// read natively (track_file_reader.h), any other format that gpsbabel reads through it. Each
// track is stored as the archive load stores one (track_storing.h): its own transaction, the
// start-time duplicate rule and the overwrite question, and the file's name as its origin.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/device_settings.h"
#include "core/user_prompt.h"
#include "exchange/exchange_result.h"
#include "exchange/track_file_counts.h"
#include "store/sqlite_db.h"

namespace vandrel {

// The open dialog's filters of the track files the program reads.
extern const char* const kImportFilterDescription;  // "All supported"
extern const char* const kImportFilterPattern;      // "*.prg;*.gpx;*.tcx;*.kml;*.kmz"

struct ImportOptions {
    // The time zone of times given in UTC (TimeZone) and the clock of the messages.
    DeviceSettings settings;
    // gpsbabel's name of the file's format; empty: by the file's extension.
    std::string gpsbabelFormat;
    std::string gpsbabel = "gpsbabel";
};

struct ImportResult : ExchangeResult {
    bool read = false;  // the file was a track file and was read (stored or not)
    int stored = 0;
    int replaced = 0;
    int kept = 0;  // already stored, kept at the overwrite question
    int64_t pointsStored = 0;
    TrackFileCounts counts;

    void add(const ImportResult& other);
};

// Stores the tracks of one file as they are read, each once it has ended, kept only once the
// whole file has been read. A file that cannot be read, is no track file or is not well-formed
// is not ok, with the reason, and stores nothing; so does a database failure.
ImportResult importTrackFile(const std::filesystem::path& file, TrackDatabase& db,
                             UserPrompt& prompt, const ImportOptions& options);

// The same for a GPX, TCX or KML document already in memory; file names it.
ImportResult importTrackText(std::string_view text, const std::filesystem::path& file,
                             TrackDatabase& db, UserPrompt& prompt, const ImportOptions& options);

// What the import did, in one sentence: "3 tracks stored, 1 skipped as already stored, 12
// points without a time skipped".
std::string importSummary(const ImportResult& result);

}  // namespace vandrel
