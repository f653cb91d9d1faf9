#pragma once
// Writes a file so that its chosen name only ever shows a complete file: the data goes to a
// temporary file in the same folder, which is flushed to disk and renamed over the chosen name
// at the end. A failure at any step removes the temporary file and leaves the chosen name as it
// was (absent, or the previous file).

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
    // stream(); without, it is closed again and another writer may open it by tempPath().
    bool create(bool openStream, std::string& error);
    FILE* stream() const { return stream_; }
    const std::filesystem::path& tempPath() const { return temp_; }
    const std::filesystem::path& target() const { return target_; }

    // Flushes, closes and renames the temporary file over the target. The file gets the
    // permissions a newly created file gets.
    bool commit(std::string& error);

  private:
    void discard() noexcept;

    std::filesystem::path target_;
    std::filesystem::path temp_;
    FILE* stream_ = nullptr;
    bool created_ = false;
};

// "Cannot write <path>: <reason>", the one form every writer reports a failed file in.
std::string cannotWrite(const std::filesystem::path& path, const std::string& reason);

}  // namespace vandrel
