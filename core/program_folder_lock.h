#pragma once
// One command at a time on a program folder. Two programs that change the same folder at once
// (two downloads, the desktop program and vandrel-cli) delete each other's log copies and
// race on the database, so every command that changes the folder holds an exclusive flock on
// "vandrel.lock" in it for as long as it runs. The kernel drops the lock with the descriptor,
// so a command that crashes never leaves the folder locked. Read-only commands take no lock.

#include <filesystem>
#include <functional>
#include <string>

namespace vandrel {

inline constexpr const char* kProgramFolderLockName = "vandrel.lock";

class ProgramFolderLock {
  public:
    // Names the folder; nothing is locked yet.
    explicit ProgramFolderLock(std::filesystem::path folder);
    ~ProgramFolderLock();
    ProgramFolderLock(const ProgramFolderLock&) = delete;
    ProgramFolderLock& operator=(const ProgramFolderLock&) = delete;

    // Takes the lock if no other command holds it; never waits. False when it is held
    // elsewhere or cannot be taken (error() says why then).
    bool tryLock();
    // Takes the lock, waiting for the command that holds it. beforeWaiting runs once, only when
    // the lock is held elsewhere, so that the user learns what the command waits for. False
    // when the lock file cannot be used (error() says why).
    bool lock(const std::function<void()>& beforeWaiting = {});
    void unlock();

    bool held() const { return held_; }
    const std::string& error() const { return error_; }
    const std::filesystem::path& folder() const { return folder_; }
    // "Waiting for another Vandrel command using DIR..."
    std::string waitingText() const;

  private:
    bool openFile();

    std::filesystem::path folder_;
    int fd_ = -1;
    bool held_ = false;
    std::string error_;
};

}  // namespace vandrel
