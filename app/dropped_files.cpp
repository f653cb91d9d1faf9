#include "app/dropped_files.h"

#include "map/mbtiles_file.h"

namespace vandrel::app {

DroppedFiles sortDroppedFiles(const std::vector<std::filesystem::path>& files) {
    DroppedFiles sorted;
    for (const std::filesystem::path& file : files) {
        (map::meantAsMapFile(file) ? sorted.maps : sorted.tracks).push_back(file);
    }
    return sorted;
}

}  // namespace vandrel::app
