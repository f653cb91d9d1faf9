#pragma once
// Importing track files from other devices and programs into the calendar, written once
// against UserPrompt for the track page's "Load from PC", the files dropped onto the window
// and vandrel-cli import.

#include <filesystem>
#include <string>
#include <vector>

#include "core/user_prompt.h"
#include "exchange/track_import.h"
#include "flows/outcome.h"
#include "flows/session.h"
#include "flows/track_files.h"

namespace vandrel {

// The open dialog's filter: every file the program loads, then each kind on its own.
FileFilter trackFilesFilter();

// Imports the files in turn under the busy indicator, holding the program folder; a track
// archive (.prg) is loaded as the archive load loads it. What could not be read is told
// through prompt.error; the summary of what was stored and skipped through notice when
// `summaryNotice`, else left to the caller (the command-line tool prints it). gpsbabelFormat
// names the format of files read through gpsbabel (empty: by their extension); a track whose
// fixes lie further apart than splitGapSeconds is split there (0: never). The caller
// refreshes the pages afterwards.
ImportResult importFiles(UserPrompt& prompt, Session& session,
                         const std::vector<std::filesystem::path>& files,
                         const std::string& gpsbabelFormat, bool summaryNotice,
                         double splitGapSeconds = kDefaultSplitGapSeconds);

}  // namespace vandrel
