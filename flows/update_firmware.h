#pragma once
// The firmware update command: the image checked whole before the first write, then written
// from block 16 under the busy indicator.

#include <string>

#include "core/user_prompt.h"
#include "device/firmware.h"
#include "flows/device_command.h"

namespace vandrel {

inline constexpr const char* kSelectUpdateFileText = "Please select a update file!";
inline constexpr const char* kUpdateFileErrorText = "Update file error!";
inline constexpr const char* kUpdateCompleteText = "Update Complete!";

// Connects, reads the image whole, then writes it from block 16 under the busy indicator and
// says "Update Complete!". Nothing is written to the firmware area unless the whole image was
// read and fits; a failed write is reported with how far the update came.
CommandReport UpdateFirmware(UserPrompt& prompt, const std::string& imagePath);

}  // namespace vandrel
