#pragma once
// The photo copies an archive load makes before the track that names them is committed. The
// copy comes first, so a load killed between the two leaves whole copies that no stored
// point names; the list lets the next load find and remove them.

#include <filesystem>
#include <string>

namespace vandrel {

class TrackDatabase;

class PhotoCopiesJournal {
  public:
    explicit PhotoCopiesJournal(std::filesystem::path photosFolder);
    // The load is over: each copy it listed is named by a stored point or was removed.
    ~PhotoCopiesJournal();
    PhotoCopiesJournal(const PhotoCopiesJournal&) = delete;
    PhotoCopiesJournal& operator=(const PhotoCopiesJournal&) = delete;

    // Lists a copy's name before the copy is made. A list that cannot be written does not
    // stop the copy: the user's photo matters more than a copy a kill might leave behind.
    void note(const std::string& name);

  private:
    std::filesystem::path path_;
    int fd_ = -1;
};

// Removes the copies a killed load listed that no stored point names, then the list.
// Database errors leave the list for the next load.
void removeCopiesOfKilledLoad(const std::filesystem::path& photosFolder, TrackDatabase& db);

}  // namespace vandrel
