#pragma once
// An offline map file in the MBTiles layout: raster tiles in an SQLite database, read-only.
//
//   metadata(name TEXT, value TEXT)   rows of which these are read: name, attribution, format
//                                     (png, jpg or webp), minzoom, maxzoom, bounds
//                                     ("west,south,east,north" in degrees)
//   tiles(zoom_level INTEGER, tile_column INTEGER, tile_row INTEGER, tile_data BLOB)
//
// Rows count from the south (tile_row = 2^zoom - 1 - y of the usual north-first numbering);
// tile() takes the north-first y the map pages ask with.

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vandrel::map {

struct TileBounds {
    double west = -180;
    double south = -85.0511;
    double east = 180;
    double north = 85.0511;
};

// A map file is someone else's SQLite database, whose tables may be views that never end or
// answer with values of any size: what is read from it is bounded (the .cpp says why each).
inline constexpr std::size_t kLongestMapName = 80;          // characters, then "…"
inline constexpr std::size_t kLongestMapAttribution = 300;  // characters, then "…"
inline constexpr int kLargestTile = 4 << 20;                // bytes

struct MbtilesInfo {
    std::string name;
    std::string attribution;
    int minZoom = 0;
    int maxZoom = 19;
    std::optional<TileBounds> bounds;
};

// The image type of a tile by its first bytes ("image/png", "image/jpeg", "image/webp"); empty
// for anything that is no image the map pages draw.
std::string_view tileImageType(std::string_view bytes);

// Whether a file given to the program (dropped on the window) is meant as an offline map: named
// *.mbtiles, or an SQLite database, which no track file is. Whether it really is a map, and
// why not, MbtilesFile::open says.
bool meantAsMapFile(const std::filesystem::path& path);

class MbtilesFile {
  public:
    // The file opened and checked, or null with `error` saying why ("PATH is not an offline
    // map file (MBTiles): REASON"). A file cut short, one that is not SQLite or lacks a table
    // is refused here rather than failing tile by tile.
    static std::unique_ptr<MbtilesFile> open(const std::filesystem::path& path, std::string& error);
    ~MbtilesFile();
    MbtilesFile(const MbtilesFile&) = delete;
    MbtilesFile& operator=(const MbtilesFile&) = delete;

    const std::filesystem::path& path() const { return path_; }
    const MbtilesInfo& info() const { return info_; }
    // The image of tile (z, x, y), or nothing when the file has no such tile, what it holds
    // there is no image or is larger than any tile: the page then shows what lies beneath.
    std::optional<std::string> tile(int z, int x, int y) const;
    // Why the file gives no more tiles ("PATH is not an offline map file (MBTiles): REASON"),
    // once reading a tile took longer than any map file needs; empty while it gives them.
    const std::string& refusal() const { return refusal_; }

  private:
    MbtilesFile(std::filesystem::path path, sqlite3* db) : path_(std::move(path)), db_(db) {}
    // check() under the bounds of opening: a deadline, and the size of a metadata value.
    std::string check();
    std::string checkTables();
    std::string readMetadata();
    // SQLite's progress handler: ends the statement running past deadline_.
    static int pastDeadline(void* file);

    std::filesystem::path path_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* tileQuery_ = nullptr;
    MbtilesInfo info_;
    mutable std::chrono::steady_clock::time_point deadline_;
    mutable std::string refusal_;
};

}  // namespace vandrel::map
