#include "exchange/photo_copies_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <system_error>
#include <unordered_set>

#include "exchange/photo_files.h"
#include "store/sqlite_db.h"

namespace vandrel {
namespace {

// Hidden, and no photo name the program gives (a time stamp) can take it.
constexpr const char* kJournalName = ".copies-of-a-load";

}  // namespace

PhotoCopiesJournal::PhotoCopiesJournal(std::filesystem::path photosFolder)
    : path_(std::move(photosFolder) / kJournalName) {}

PhotoCopiesJournal::~PhotoCopiesJournal() {
    if (fd_ >= 0) {
        ::close(fd_);
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
}

void PhotoCopiesJournal::note(const std::string& name) {
    if (fd_ < 0) {
        // Not through a link planted in its place; a list left by a killed load is added to.
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            return;
        }
    }
    // One write per line, so that a kill leaves whole lines. What the process wrote stays in
    // the file when it is killed; only a crash of the whole system could lose it.
    const std::string line = name + '\n';
    [[maybe_unused]] const ssize_t written = ::write(fd_, line.data(), line.size());
}

void removeCopiesOfKilledRun(const std::filesystem::path& photosFolder, TrackDatabase& db) {
    const std::filesystem::path journal = photosFolder / kJournalName;
    std::error_code ec;
    if (photosFolder.empty() ||
        !std::filesystem::is_regular_file(std::filesystem::symlink_status(journal, ec))) {
        return;
    }
    std::unordered_set<std::string> listed;
    std::ifstream in(journal);
    for (std::string name; std::getline(in, name);) {
        if (isPlainFileName(name) && name != kJournalName) {
            listed.insert(name);
        }
    }
    try {
        if (!listed.empty() && db.tableExists("TKPT")) {
            SqlQuery named = db.query("SELECT pho FROM TKPT WHERE pho <> ''");
            for (; !named.eof() && !listed.empty(); named.nextRow()) {
                listed.erase(photoFileName(named.stringField(0)));
            }
        }
    } catch (const CppSQLite3Exception&) {
        return;
    }
    for (const std::string& name : listed) {
        std::filesystem::remove(photosFolder / name, ec);
    }
    std::filesystem::remove(journal, ec);
}

}  // namespace vandrel
