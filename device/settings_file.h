#pragma once
// The file "settings.xml" that keeps the program's copy of the logger's settings:
//
//   <?xml version="1.0" ?>
//   <root>
//       <params Length="0" Temperature="1" LogInterval="3" TimeZone="-480" TimeFormat="1"
//               PowerOff="0" Backlight="0" Tnttbar="1" Refbar="0.00" />
//   </root>
//
// (the params element stands on one line in the file).

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_settings.h"

namespace vandrel {

// The file is a few hundred bytes; anything past this is not a settings file.
inline constexpr size_t kSettingsFileMostBytes = 1024 * 1024;

// Overwrites the fields the file holds; a missing or malformed file, or a missing or
// non-numeric attribute, leaves the field as it was. Returns false when the file could not be
// read as XML with a params element.
// A value outside the values its field may take (settings_block::kIntegerFields) is replaced
// by the field's default, and `warnings`, when given, gets a line naming it.
bool loadSettingsFile(const std::filesystem::path& path, DeviceSettings& settings,
                      std::vector<std::string>* warnings = nullptr);
// The same; a file that exists but cannot be read (a folder, a FIFO, a device, a read error,
// more than kSettingsFileMostBytes) also leaves the settings as they were, and `problem` says
// why ("Cannot read PATH: reason"). A missing file leaves `problem` empty.
bool loadSettingsFile(const std::filesystem::path& path, DeviceSettings& settings,
                      std::string& problem, std::vector<std::string>* warnings = nullptr);
// Writes the whole file; false when it cannot be written. The old file stays whole until the
// new one is complete, and a write that is killed leaves nothing behind. An old file that
// cannot be read (see loadSettingsFile) is not replaced but renamed to
// "settings.xml.unreadable-YYYYMMDD-HHMMSS" beside it; `keptAside`, when given, then gets the
// sentence telling the user where it went.
bool saveSettingsFile(const std::filesystem::path& path, const DeviceSettings& settings,
                      std::string* keptAside = nullptr);

// The same on text in memory: the file's exact text, and its reading.
std::string settingsXmlText(const DeviceSettings& settings);
bool loadSettingsText(std::string_view text, DeviceSettings& settings,
                      std::vector<std::string>* warnings = nullptr);

}  // namespace vandrel
