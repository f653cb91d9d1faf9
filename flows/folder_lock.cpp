#include "flows/folder_lock.h"

#include "core/program_path.h"

namespace vandrel {

std::unique_ptr<ProgramFolderLock> holdProgramFolder(UserPrompt& prompt, const DataFolder& folder,
                                                     std::string& error) {
    auto lock = std::make_unique<ProgramFolderLock>(folder.root());
    if (!lock->lock([&] { prompt.waiting(lock->waitingText()); })) {
        error = "Cannot use the program folder: " + lock->error();
        return nullptr;
    }
    return lock;
}

}  // namespace vandrel
