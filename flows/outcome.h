#pragma once
// How every flow tells its caller how it ended: the kind of ending and, when it failed, the
// message the user read. A flow that hands back more (what a download stored) extends Outcome.
// Exceptions of the layers below stay inside the flow that catches them.

#include <string>

namespace vandrel {

enum class OutcomeKind {
    Complete,      // the completion text was shown (or the work was done without one)
    AnsweredNo,    // the user did not confirm; nothing was done
    Cancelled,     // no file was chosen, or the command cannot run yet; nothing was done
    NoDevice,      // no logger was found; the missing-logger notice was shown
    NoLogRecords,  // the logger holds no log: "No log records!"
    Failed,        // a file, the database or a transfer failed; `error` says what was done
};

struct Outcome {
    OutcomeKind kind = OutcomeKind::Failed;
    // For Failed (and NoDevice when the logger was found but not opened): what the user read.
    std::string error;

    bool complete() const { return kind == OutcomeKind::Complete; }
};

}  // namespace vandrel
