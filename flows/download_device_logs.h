#pragma once
// The download from the logger into the track database: the one place where it starts and
// ends. The flow is written once; the GUI and the command-line tool differ only in their
// UserPrompt and hooks.

#include <functional>
#include <stdexcept>
#include <string>

#include "core/user_prompt.h"
#include "store/sqlite_db.h"
#include "store/store_decoded_tracks.h"

namespace vandrel {

// What the track page does around a download. Both may be empty (the command-line tool).
struct DownloadHooks {
    // Stops a replay, kills its timer and drops the tracks of the day shown.
    std::function<void()> stopPlayback;
    // Reloads the calendar and the day's list, given what the download stored.
    std::function<void(const StoreResult&)> refreshTrackPage;
};

enum class DownloadOutcome {
    Complete,      // "Download Complete!"
    NoDevice,      // "Device unconnect !"
    NoLogRecords,  // "No log records!"
    Failed,        // the copy or the database failed; nothing of this download was stored
};

struct DownloadReport {
    DownloadOutcome outcome = DownloadOutcome::Failed;
    StoreResult stored;
    std::string error;  // why it failed, for Failed and for a device that could not be opened
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
StoreResult storeDownloadedTracks(TrackDatabase& db, int32_t timeZone);

// Connect, test for log records, copy the log areas and store the tracks (time zone from
// timeZone) in one transaction, then refresh the track page. Tells the user the outcome.
DownloadReport DownloadDeviceLogs(UserPrompt& prompt, TrackDatabase& db, int32_t timeZone,
                                  const DownloadHooks& hooks = {});

}  // namespace vandrel
