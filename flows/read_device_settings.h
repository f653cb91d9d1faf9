#pragma once
// Reading the logger's own settings (block 512) into the program's copy.
//
// The program's copy ("settings.xml", the defaults at the first start) is what the settings
// page shows and saves into the logger, and its time zone becomes every downloaded track's
// `tzome`. Left alone, that copy is whatever the program last saved, so a save could write
// values into the logger that the user never saw there, and the tracks of a logger set to
// another zone got a wrong `tzome` (their GPX times hours off). So the logger's settings, when
// its block holds valid ones (settings_block::read), become the program's copy before the page
// or a download uses it.
//
// When the program reads them:
//   - the desktop program at start-up, before the pages are filled, when a logger is found;
//   - the desktop program each time the settings page is opened: a logger plugged in after
//     the start, another logger, or settings changed on the logger's own keys show before the
//     user edits and saves them (the form is refilled only when the logger's settings differ
//     from those it shows, so edits survive a look at another page);
//   - every download (both programs), after Connect and before the tracks are stamped;
//   - `vandrel-cli settings show`.
// Not just before a save: Save writes what the form shows, which the user saw and chose; a
// read at that moment could only overrule the user's choice or ask about it again.
//
// A read writes nothing to the logger: the volume is found without Connect's handshake (which
// writes block 11) and only block 512 is read. A block that is not valid is never taken: the
// program's copy then stays, and the caller says that the logger's settings were not read.

#include <string>
#include <vector>

#include "core/device_settings.h"
#include "flows/outcome.h"
#include "flows/session.h"

namespace vandrel {

enum class SettingsSource { Logger, ProgramCopy };

struct SettingsRead {
    SettingsSource source = SettingsSource::ProgramCopy;
    // The logger's settings for Logger; the program's copy, unchanged, for ProgramCopy.
    DeviceSettings settings;
    std::string logger;    // Logger: the volume that was read
    std::string reason;    // ProgramCopy: why the logger's settings were not taken
    bool changed = false;  // Logger: they differ from the program's copy passed in
};

// Finds the logger (`find`; false when the caller has just connected to it) and reads and
// checks its block 512. Touches neither the program's copy nor settings.xml.
SettingsRead readLoggerSettings(Session& session, const DeviceSettings& copy, bool find = true);

// Writes settings read from the logger to settings.xml when they differ from the copy they were
// read against. Returns why the file could not be written, or where an unreadable old file was
// kept (see saveSettingsFile); empty otherwise.
std::string keepLoggerSettings(const DataFolder& folder, const SettingsRead& read);

// The whole read: readLoggerSettings, then for valid settings that differ from the session's
// copy, settings.xml written (see keepLoggerSettings) and the copy replaced. Says nothing to the
// user: the caller shows which settings it shows (settingsSourceText). A settings.xml that cannot
// be written is returned in `fileProblem`, when given; the copy holds the logger's settings anyway.
SettingsRead ReadDeviceSettings(Session& session, std::string* fileProblem = nullptr);

// The session's copy from its folder's settings.xml (see loadSettingsFile). Failed, with the
// reason, when a file there cannot be read (the copy keeps its values); a missing file is no
// failure. Values out of range are named in `warnings`.
Outcome loadProgramSettings(Session& session, std::vector<std::string>* warnings = nullptr);
// Writes the session's copy into settings.xml; false when it cannot be written.
bool saveProgramSettings(const Session& session);

// One line for the user on where the settings shown come from: the logger (naming it) or the
// program's copy, with the reason the logger's settings were not taken.
std::string settingsSourceText(const SettingsRead& read);

}  // namespace vandrel
