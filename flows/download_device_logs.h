#pragma once
// The download from the logger into the track database: the one place where it starts and
// ends. The flow is written once; the GUI and the command-line tool differ only in their
// UserPrompt and hooks.

#include <functional>
#include <stdexcept>
#include <string>

#include "core/device_settings.h"
#include "core/user_prompt.h"
#include "flows/read_device_settings.h"
#include "store/sqlite_db.h"
#include "store/store_decoded_tracks.h"

namespace vandrel {

// What the track page does around a download. Each may be empty (the command-line tool).
struct DownloadHooks {
    // Stops a replay, kills its timer and drops the tracks of the day shown.
    std::function<void()> stopPlayback;
    // Reloads the calendar and the day's list, given what the download stored.
    std::function<void(const StoreResult&)> refreshTrackPage;
    // The logger's settings differ from the program's copy and are its copy now (settings.xml
    // is written already): the program takes them in memory, on its UI thread.
    std::function<void(const DeviceSettings&)> settingsRead;
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
    // The settings read from the logger before the tracks were stored; its settings' time zone
    // is the tracks' tzome. Empty source (ProgramCopy) before the read.
    SettingsRead settings;
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

// Connect, test for log records, read the logger's settings (read_device_settings.h), copy the
// log areas and store the tracks in one transaction, then refresh the track page. Tells the
// user the outcome.
//
// The tracks' time zone is the logger's own setting when its settings block is valid; those
// settings then become the program's copy (settings.xml, and hooks.settingsRead when they
// differ from `settings`, the program's copy). Otherwise the tracks get the time zone of
// `settings`, and the user is told so before the download goes on.
DownloadReport DownloadDeviceLogs(UserPrompt& prompt, TrackDatabase& db,
                                  const DeviceSettings& settings, const DownloadHooks& hooks = {});

}  // namespace vandrel
