#pragma once
// Writing the program's copy of the settings into "settings.xml" and into the logger's
// settings block. The flow is written once; the settings page and the command-line tool
// differ only in their UserPrompt.

#include <functional>

#include "core/device_settings.h"
#include "core/user_prompt.h"
#include "flows/device_command.h"
#include "flows/session.h"

namespace vandrel {

inline constexpr const char* kSaveCompleteText = "Save Complete!";

// Saves "settings.xml", tells the pages through the session's tracksChanged (on its owner
// thread), then (when a logger
// answers) reads block 512, patches the settings into it and writes it back, under the busy
// indicator, ending with "Save Complete!". Without a logger: "Device unconnect!", the file already
// saved. A block that could not be read is never written; a failed transfer is reported instead of
// the completion text. Settings that do not fit the block are refused before anything is saved.
Outcome SaveDeviceSettings(UserPrompt& prompt, Session& session, const DeviceSettings& settings);

}  // namespace vandrel
