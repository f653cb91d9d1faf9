#pragma once
// The download from the logger into the track database: the one place where it starts and
// ends. The flow is written once; the GUI and the command-line tool differ only in their
// UserPrompt and hooks.

#include <functional>
#include <stdexcept>
#include <string>

#include "core/device_settings.h"
#include "core/track_records.h"
#include "core/user_prompt.h"
#include "flows/outcome.h"
#include "flows/read_device_settings.h"
#include "flows/session.h"

namespace vandrel {

// What a download did: its outcome, what it stored, and the settings read from the logger
// before the tracks were stored (their time zone is the tracks' tzome; empty source,
// ProgramCopy, before the read).
struct DownloadReport : Outcome {
    StoreResult stored;
    SettingsRead settings;
};

// Fixed texts of the flow.
inline constexpr const char* kDeviceUnconnectText = "Device unconnect !";
inline constexpr const char* kNoLogRecordsText = "No log records!";
inline constexpr const char* kDownloadCompleteText = "Download Complete!";

// A log copy that is missing or cut short; nothing of it is stored.
class LogCopyError : public std::runtime_error {
  public:
    explicit LogCopyError(const std::string& reason);
};

// Reads the copied log ("temp.hdr", "temp.log"), decodes each of its runs and stores the
// tracks in one transaction (see storeDecodedTracks). Throws LogCopyError for a missing or
// short copy, CppSQLite3Exception for a database failure.
StoreResult storeDownloadedTracks(Session& session, int32_t timeZone);

// Connect, test for log records, read the logger's settings (read_device_settings.h), stop a
// replay (the session's playbackStop), copy the log areas and store the tracks in one
// transaction, then tell the pages (tracksChanged, naming the newest track). Tells the user the
// outcome.
//
// The tracks' time zone is the logger's own setting when its settings block is valid; those
// settings then become the session's copy (and settings.xml) when they differ from it.
// Otherwise the tracks get the time zone of the session's copy, and the user is told so before
// the download goes on.
DownloadReport DownloadDeviceLogs(UserPrompt& prompt, Session& session);

}  // namespace vandrel
