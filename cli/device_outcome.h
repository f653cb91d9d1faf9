#pragma once
// The exit code of a device command from its outcome.

#include <iostream>

#include "cli/commands.h"
#include "flows/device_command.h"

namespace vandrel::cli {

inline int exitCodeFor(CommandOutcome outcome) {
    switch (outcome) {
        case CommandOutcome::Complete:
            return kExitOk;
        case CommandOutcome::NoDevice:
            return kExitNoDevice;
        case CommandOutcome::AnsweredNo:
            return kExitAnsweredNo;
        case CommandOutcome::Cancelled:
        case CommandOutcome::Failed:
            break;
    }
    return kExitFailure;
}

// The exit code of a command that asked Yes or No. Without a terminal and without --yes the
// answer is No and nothing else would be printed, so the reason is.
inline int exitCodeForConfirmed(CommandOutcome outcome, bool interactive, bool yes) {
    if (outcome == CommandOutcome::AnsweredNo && !interactive && !yes) {
        std::cerr << "Not confirmed: there is no terminal to ask on and --yes was not given. "
                     "Nothing was done."
                  << std::endl;
    }
    return exitCodeFor(outcome);
}

}  // namespace vandrel::cli
