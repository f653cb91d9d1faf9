#pragma once
// Writes a file so that its chosen name only ever shows a complete file: the data goes to a
// temporary file in the same folder, which is flushed to disk and renamed over the chosen name
// at the end. A failure at any step removes the temporary file and leaves the chosen name as it
// was (absent, or the previous file).
//
// The temporary file has no name while it is written (O_TMPFILE) and gets one only for the
// rename, so a process killed part-way leaves nothing behind. Where the file system cannot make
// such files, the temporary is a hidden ".NAME.vandrel-XXXXXX" locked by its writer; the next
// write into that folder removes the ones no running writer holds any more.
//
// Whoever chooses the target keeps it off the program's own files (DataFolder::refusedWrite).

#include <cstdio>
#include <filesystem>
#include <string>

namespace vandrel {

class AtomicFile {
  public:
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. With openStream the file stays open for writing through
    // stream(); without, another writer may open it by tempPath() (which may be a
    // /proc/self/fd path of the unnamed file) until commit.
    bool create(bool openStream, std::string& error);
    FILE* stream() const { return stream_; }
    const std::filesystem::path& tempPath() const { return temp_; }
    const std::filesystem::path& target() const { return target_; }

    // What commit does when a file is already at the target: replace it, or keep it and fail
    // (with errorNumber() EEXIST).
    enum class Existing { Replace, Keep };

    // Flushes, closes and renames the temporary file over the target. The file gets the
    // permissions a newly created file gets.
    bool commit(std::string& error, Existing existing = Existing::Replace);
    // The errno of the last failed create or commit.
    int errorNumber() const { return errorNumber_; }

  private:
    bool createNamed(const std::filesystem::path& folder, std::string& error);
    bool placeNew();
    void discard() noexcept;

    std::filesystem::path target_;
    std::filesystem::path temp_;
    FILE* stream_ = nullptr;
    int fd_ = -1;           // the temporary, open until commit or discard
    bool unnamed_ = false;  // made with O_TMPFILE: no name until commit
    bool created_ = false;
    int errorNumber_ = 0;
};

// Opens a new file at path for writing ("wb") without ever writing through a link: whatever
// stands under the name (a stale copy, or a symbolic link planted in the program's folder) is
// removed first, and the file is then created with O_EXCL | O_NOFOLLOW, so that a link put there
// in between makes the open fail instead of writing into the file it points at. Null, with
// errno set, on failure.
FILE* createFreshFile(const std::filesystem::path& path);

// "Cannot write <path>: <reason>", the one form every writer reports a failed file in.
std::string cannotWrite(const std::filesystem::path& path, const std::string& reason);

}  // namespace vandrel
