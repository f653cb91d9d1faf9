#pragma once
// The firmware update command: the image checked whole, the user asked, then the image written
// from block 16 under the busy indicator.

#include <cstddef>
#include <string>

#include "core/user_prompt.h"
#include "flows/device_command.h"
#include "flows/session.h"

namespace vandrel {

inline constexpr const char* kSelectUpdateFileText = "Please select a update file!";
inline constexpr const char* kUpdateFileErrorText = "Update file error!";
inline constexpr const char* kUpdateCompleteText = "Update Complete!";

// The question before anything is written, naming the image and its size in bytes:
// "Are you sure you want to write the device's firmware from" / "PATH (SIZE bytes)?".
inline constexpr const char* kFirmwareQuestion1 =
    "Are you sure you want to write the device's firmware from";
std::string firmwareQuestion2(const std::string& imagePath, size_t size);

// Reads the image whole (refused with "Update file error!" and the reason when it is empty,
// larger than the firmware area or unreadable: it cannot be a firmware image of this logger),
// asks with a Yes/No question naming the file and its size (anything but Yes ends the command,
// AnsweredNo, with nothing written, not even Connect's handshake), connects, then writes it
// from block 16 under the busy indicator and says "Update Complete!". Nothing is written to the
// firmware area unless the whole image was read and fits; a failed write is reported with how
// far the update came.
Outcome UpdateFirmware(UserPrompt& prompt, Session& session, const std::string& imagePath);

}  // namespace vandrel
