#pragma once
// The track files the pages write and read, written once against UserPrompt: a track exported
// as GPX or KMZ, tracks saved into an archive or loaded from one, every stored track backed up.
// Failures are told through UserPrompt::error and end as a Failed outcome; the flows never end
// the program. A file that is one of the program's own is refused.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/track_records.h"
#include "core/user_prompt.h"
#include "flows/outcome.h"
#include "flows/session.h"

namespace vandrel {

extern const char* const kSelectBackupFileText;  // "Please select a backup file!"
extern const char* const kBackupCompleteText;    // "Backup Complete!"
extern const char* const kExportCompleteText;    // "Export Complete!"

enum class ExportFormat { Gpx, Kmz };

FileFilter exportFilter(ExportFormat format);  // "GPX Files (*.gpx)" or "KMZ Files (*.kmz)"
FileFilter archiveFilter();                    // "PRG Files (*.prg)"

// The track list's export: asks for the file first, offering the track's start as its name
// ("2026-11-10 10-00-00.gpx", see exchange/track_name.h), and ends with the notice
// "Export Complete!" naming the file written, as the backup ends with its own: the user learns
// that it worked and where the file went (the dialog may have been left in another folder).
Outcome ExportTrack(UserPrompt& prompt, const Session& session, const TrackHeader& track,
                    ExportFormat format);

// The track list's save button: nothing when the list is empty; otherwise asks for the file
// and saves the selected rows, or every row when none is selected (selected holds one flag
// per row; shorter means unselected), and ends with a notice of what was saved where.
// `chosen` runs once the file is chosen, before the save: the track page stops a running
// replay there.
Outcome SaveTracksToPc(UserPrompt& prompt, const Session& session,
                       const std::vector<TrackHeader>& rows, const std::vector<bool>& selected,
                       const std::function<void()>& chosen = {});

// Every stored track of the database into the archive named by the backup field: "Please
// select a backup file!" when it is empty (Cancelled), "Backup Complete!" when the archive is
// written.
Outcome BackupTracks(UserPrompt& prompt, Session& session, const std::string& backupFile);

// The track list's load button: asks for one or more files (Cancelled when the user chose
// none) and loads them as dropped files are: archives and every other track file.
Outcome LoadTracksFromPc(UserPrompt& prompt, Session& session);

// Files dropped onto the window (or chosen at the load button): stops a replay, imports them
// (flows/import_flows.h; an archive is loaded), ends with the notice of what was stored and
// skipped, and tells the pages, naming the newest track stored.
Outcome ImportDroppedFiles(UserPrompt& prompt, Session& session,
                           const std::vector<std::filesystem::path>& files);

}  // namespace vandrel
