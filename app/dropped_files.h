#pragma once
// Files dropped onto the window, sorted by what they are for: offline map files (MBTiles) go to
// the maps, everything else to the import of tracks.

#include <filesystem>
#include <vector>

namespace vandrel::app {

struct DroppedFiles {
    std::vector<std::filesystem::path> tracks;
    std::vector<std::filesystem::path> maps;
};

// Each file in the order given; see map::meantAsMapFile for which are maps.
DroppedFiles sortDroppedFiles(const std::vector<std::filesystem::path>& files);

}  // namespace vandrel::app
