#pragma once
// The photo copies an archive load or an attach makes before the point that names them is
// committed. The copy comes first, so a run killed between the two leaves whole copies that no
// stored point names; the list lets the next load or attach find and remove them. Both hold
// the program folder meanwhile.

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

// Removes the copies a killed run listed that no stored point names, then the list.
// Database errors leave the list for the next run.
void removeCopiesOfKilledRun(const std::filesystem::path& photosFolder, TrackDatabase& db);

}  // namespace vandrel
