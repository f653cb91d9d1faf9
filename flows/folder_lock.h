#pragma once
// The program folder held by a command that changes it (see core/program_folder_lock.h).

#include <memory>
#include <string>

#include "core/program_folder_lock.h"
#include "core/program_path.h"
#include "core/user_prompt.h"

namespace vandrel {

// Locks the program folder, waiting for another command that holds it; the wait is told
// through prompt.waiting first. Null with the reason in `error` when the lock cannot be used.
std::unique_ptr<ProgramFolderLock> holdProgramFolder(UserPrompt& prompt, const DataFolder& folder,
                                                     std::string& error);

}  // namespace vandrel
