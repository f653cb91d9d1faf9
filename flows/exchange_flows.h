#pragma once
// The user actions of file exchange, written once against UserPrompt: the GUI answers them
// with its dialogs and message boxes, the command-line tool with its arguments and stderr.
// Failures are told through UserPrompt::error; the flows never end the program.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/track_records.h"
#include "core/user_prompt.h"
#include "exchange/kmz_export.h"
#include "exchange/stored_tracks.h"
#include "exchange/track_archive.h"
#include "store/sqlite_db.h"

namespace vandrel {

extern const char* const kSelectBackupFileText;  // "Please select a backup file!"
extern const char* const kBackupCompleteText;    // "Backup Complete!"
extern const char* const kExportCompleteText;    // "Export Complete!"

enum class ExportFormat { Gpx, Kmz };

FileFilter exportFilter(ExportFormat format);  // "GPX Files (*.gpx)" or "KMZ Files (*.kmz)"
FileFilter archiveFilter();                    // "PRG Files (*.prg)"

// Writes the track to path; a failure is told and gives false. Nothing is said on success,
// except that icons or photos that could not be packed into a KMZ are mentioned.
bool exportTrackTo(UserPrompt& prompt, const std::filesystem::path& path, const TrackHeader& track,
                   ExportFormat format, const KmzOptions& kmz = KmzOptions::programDefaults());
// The track list's export: asks for the file first, offering the track's start as its name
// ("2026-11-10 10-00-00.gpx", see exchange/track_name.h), and ends with the notice
// "Export Complete!" naming the file written, as the backup ends with its own: the user learns
// that it worked and where the file went (the dialog may have been left in another folder).
bool ExportTrack(UserPrompt& prompt, const TrackHeader& track, ExportFormat format);

// Writes the tracks to the archive at path; failures and photos that could not be copied are
// told, nothing else.
ArchiveSaveResult saveTracksTo(UserPrompt& prompt, const std::filesystem::path& path,
                               const std::vector<TrackHeader>& tracks);
// The track list's save button: nothing when the list is empty; otherwise asks for the file
// and saves the selected rows, or every row when none is selected (selected holds one flag
// per row; shorter means unselected). `chosen` runs once the file is chosen, before the
// save: the track page stops a running replay there.
void SaveTracksToPc(UserPrompt& prompt, const std::vector<TrackHeader>& rows,
                    const std::vector<bool>& selected, const std::function<void()>& chosen = {});

// Every stored track of the database into the archive named by the backup field: "Please
// select a backup file!" when it is empty, "Backup Complete!" when the archive is written.
// Returns the save result, empty when nothing was attempted.
std::optional<ArchiveSaveResult> BackupTracks(UserPrompt& prompt, TrackDatabase& db,
                                              const std::string& backupFile);
// The same for the given stored tracks (headers as read from the database), in the given
// order, without the closing notice.
ArchiveSaveResult backupStoredTracks(UserPrompt& prompt, TrackDatabase& db,
                                     const std::filesystem::path& path,
                                     const std::vector<TrackHeader>& headers);

// Loads the archive at path under the busy indicator; the overwrite question is asked through
// prompt. A file that is no archive, a database failure, tracks without points and photos that
// could not be copied are told. The caller refreshes the track page afterwards.
ArchiveLoadResult loadTracksFrom(
    UserPrompt& prompt, TrackDatabase& db, const std::filesystem::path& path,
    const ArchiveLoadOptions& options = ArchiveLoadOptions::programDefaults());
// The track list's load button: asks for the file first; empty when the user chose none.
// `chosen` runs once the file is chosen, before the load: the track page stops a running
// replay and lets go of the day's tracks there, which the load may replace.
std::optional<ArchiveLoadResult> LoadTracksFromPc(UserPrompt& prompt, TrackDatabase& db,
                                                  const std::function<void()>& chosen = {});

}  // namespace vandrel
