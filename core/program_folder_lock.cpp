#include "core/program_folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vandrel {

ProgramFolderLock::ProgramFolderLock(std::filesystem::path folder) : folder_(std::move(folder)) {}

ProgramFolderLock::~ProgramFolderLock() {
    unlock();
}

// The file is only ever created, never removed: removing it while another process waits on
// its descriptor would let a third one lock a new file beside the waiter. A symbolic
// link under its name is refused rather than replaced, for the same reason: following it would
// create or lock a file wherever the link was made to point.
bool ProgramFolderLock::openFile() {
    if (fd_ >= 0) {
        return true;
    }
    const std::filesystem::path path = folder_ / kProgramFolderLockName;
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error_ = "cannot open the lock file " + path.string() + ": " +
                 (errno == ELOOP ? "it is a symbolic link; remove it" : std::strerror(errno));
        return false;
    }
    return true;
}

bool ProgramFolderLock::tryLock() {
    if (held_) {
        return true;
    }
    error_.clear();
    if (!openFile()) {
        return false;
    }
    int rc = 0;
    do {
        rc = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        held_ = true;
        return true;
    }
    if (errno != EWOULDBLOCK) {
        error_ = "cannot lock " + (folder_ / kProgramFolderLockName).string() + ": " +
                 std::strerror(errno);
    }
    return false;
}

bool ProgramFolderLock::lock(const std::function<void()>& beforeWaiting) {
    if (tryLock()) {
        return true;
    }
    if (fd_ < 0 || !error_.empty()) {
        return false;
    }
    if (beforeWaiting) {
        beforeWaiting();
    }
    int rc = 0;
    do {
        rc = ::flock(fd_, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        error_ = "cannot lock " + (folder_ / kProgramFolderLockName).string() + ": " +
                 std::strerror(errno);
        return false;
    }
    held_ = true;
    return true;
}

void ProgramFolderLock::unlock() {
    if (fd_ >= 0) {
        // Closing the descriptor releases the lock.
        ::close(fd_);
        fd_ = -1;
    }
    held_ = false;
}

std::string ProgramFolderLock::waitingText() const {
    return "Waiting for another Vandrel command using " + folder_.string() + "...";
}

}  // namespace vandrel
