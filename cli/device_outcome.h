#pragma once
// The exit code of a command from its outcome.

#include <iostream>

#include "cli/commands.h"
#include "flows/device_command.h"

namespace vandrel::cli {

inline int exitCodeFor(OutcomeKind outcome) {
    switch (outcome) {
        case OutcomeKind::Complete:
            return kExitOk;
        case OutcomeKind::NoDevice:
            return kExitNoDevice;
        case OutcomeKind::AnsweredNo:
            return kExitAnsweredNo;
        case OutcomeKind::NoLogRecords:
            return kExitNoLogRecords;
        case OutcomeKind::Cancelled:
        case OutcomeKind::Failed:
            break;
    }
    return kExitFailure;
}

// The exit code of a command that asked Yes or No. Without a terminal and without --yes the
// answer is No and nothing else would be printed, so the reason is.
inline int exitCodeForConfirmed(OutcomeKind outcome, bool interactive, bool yes) {
    if (outcome == OutcomeKind::AnsweredNo && !interactive && !yes) {
        std::cerr << "Not confirmed: there is no terminal to ask on and --yes was not given. "
                     "Nothing was done."
                  << std::endl;
    }
    return exitCodeFor(outcome);
}

}  // namespace vandrel::cli
