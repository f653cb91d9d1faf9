#pragma once
// What the device commands (settings save, POI upload and download, firmware update, log
// erase) share: their outcome and the missing-logger notice.
//
// Every transfer after Connect is checked. A command that fails part-way tells the user what
// was and was not written through UserPrompt::error and never shows its completion text.

#include <string>

#include "core/user_prompt.h"

namespace vandrel {

enum class CommandOutcome {
    Complete,    // the completion text was shown
    AnsweredNo,  // the user did not confirm; nothing was done
    Cancelled,   // no file was chosen, or the command cannot run yet; nothing was done
    NoDevice,    // no logger was found; the missing-logger notice was shown
    Failed,      // a file or a transfer failed; the error says what was and was not written
};

struct CommandReport {
    CommandOutcome outcome = CommandOutcome::Failed;
    std::string error;  // for Failed (and NoDevice when the logger was found but not opened)
};

// The missing-logger notice differs between commands by one blank.
inline constexpr const char* kUnconnectText = "Device unconnect!";      // settings, firmware, erase
inline constexpr const char* kPoiUnconnectText = "Device unconnect !";  // the POI commands

// Connect. When it fails: the notice `unconnectText`, then the reason when the logger was
// found but could not be opened (permissions), and false with report.outcome NoDevice.
bool connectOrTell(UserPrompt& prompt, const char* unconnectText, CommandReport& report);

// Shows `message` as an error and returns the Failed report carrying it.
CommandReport commandFailed(UserPrompt& prompt, std::string message);
CommandReport commandDone(CommandOutcome outcome);

}  // namespace vandrel
