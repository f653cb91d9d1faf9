#pragma once
// The erase of the logger's logs from the erase image "erase.bin" (see device/erase_image.h):
// the question, the checks that keep a refused erase from touching the logger, the busy
// indicator and the completion text.

#include <filesystem>

#include "core/user_prompt.h"
#include "flows/device_command.h"
#include "flows/session.h"

namespace vandrel {

inline constexpr const char* kEraseQuestion1 = "Are you sure delete logs data";
inline constexpr const char* kEraseQuestion2 = "from device?";
inline constexpr const char* kEraseCompleteText = "Delete Device Logs Complete!";

// Asks, connects, reads erase.bin whole (refused when missing or shorter than 2097152 bytes),
// reads blocks 512 and 513, updates the start of erase.bin and writes the 512 blocks under the
// busy indicator: "Delete Device Logs Complete!". Nothing is written to the logger unless
// everything before the first write succeeded; a failed write is reported with how far the
// erase came.
// `shipped` is the erase image the program was installed with (empty: the one found beside it).
Outcome EraseDeviceLogs(UserPrompt& prompt, Session& session,
                        const std::filesystem::path& shipped = {});

}  // namespace vandrel
