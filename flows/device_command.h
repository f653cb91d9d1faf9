#pragma once
// What the device commands (settings save, POI upload and download, firmware update, log
// erase) share: their outcome and the missing-logger notice.
//
// Every transfer after Connect is checked. A command that fails part-way tells the user what
// was and was not written through UserPrompt::error and never shows its completion text.

#include <string>

#include "core/user_prompt.h"
#include "flows/outcome.h"

namespace vandrel {

class DeviceVolume;

// The missing-logger notice differs between commands by one blank.
inline constexpr const char* kUnconnectText = "Device unconnect!";      // settings, firmware, erase
inline constexpr const char* kPoiUnconnectText = "Device unconnect !";  // the POI commands

// Connect. When it fails: the notice `unconnectText`, then the reason when the logger was
// found but could not be opened (permissions), and false with report.kind NoDevice.
bool connectOrTell(UserPrompt& prompt, DeviceVolume& volume, const char* unconnectText,
                   Outcome& report);

// Shows `message` as an error and returns the Failed report carrying it.
Outcome commandFailed(UserPrompt& prompt, std::string message);
Outcome commandDone(OutcomeKind outcome);

}  // namespace vandrel
