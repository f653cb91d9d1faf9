#pragma once
// File exchange with its results in full, for the command-line tool (its arguments answer what
// the pages ask with dialogs; see flows/track_files.h for the pages' commands). Failures are
// told through UserPrompt::error; the flows never end the program. A file that is one of the
// program's own is refused.

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
#include "flows/track_files.h"

namespace vandrel {

// Writes the track to path; a failure is told and gives Failed. Nothing is said on success,
// except that icons or photos that could not be packed into a KMZ are mentioned. Photos are read
// from the session's photos folder only, as are those the archive saves below copy.
Outcome exportTrackTo(UserPrompt& prompt, const Session& session, const std::filesystem::path& path,
                      const TrackHeader& track, ExportFormat format,
                      const KmzOptions& kmz = KmzOptions::programDefaults());

// What an archive save wrote, in the line vandrel-cli archive save prints: "Saved 3 tracks and
// 2160 points to FILE, 0 photos copied".
std::string archiveSaveSummary(const ArchiveSaveResult& result, const std::filesystem::path& path);

// Writes the tracks to the archive at path; failures and photos that could not be copied are
// told, nothing else.
ArchiveSaveResult saveTracksTo(UserPrompt& prompt, const Session& session,
                               const std::filesystem::path& path,
                               const std::vector<TrackHeader>& tracks);

// The given stored tracks (headers as read from the database) into the archive at path, in
// the given order, without the closing notice.
ArchiveSaveResult backupStoredTracks(UserPrompt& prompt, Session& session,
                                     const std::filesystem::path& path,
                                     const std::vector<TrackHeader>& headers);

// BackupTracks with the save's result: empty when nothing was attempted (no file named).
std::optional<ArchiveSaveResult> backupAllTracks(UserPrompt& prompt, Session& session,
                                                 const std::string& backupFile);

// Loads the archive at path under the busy indicator, photos into the session's folder; the
// overwrite question is asked through prompt. A file that is no archive, a database failure,
// tracks without points and photos that could not be copied are told. The caller refreshes
// the pages afterwards.
ArchiveLoadResult loadTracksFrom(UserPrompt& prompt, Session& session,
                                 const std::filesystem::path& path);
ArchiveLoadResult loadTracksFrom(UserPrompt& prompt, Session& session,
                                 const std::filesystem::path& path,
                                 const ArchiveLoadOptions& options);

}  // namespace vandrel
