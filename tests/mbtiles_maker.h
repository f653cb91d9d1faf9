#pragma once
// Offline map files (MBTiles) made by the tests: the two tables, the metadata given and tiles
// at (z, x, y) of the north-first numbering the map pages use.

#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vandrel::testing {

struct MbtilesTile {
    int z = 0;
    int x = 0;
    int y = 0;
    std::string image;
};

// Writes the file, or returns false. `tables` false leaves the tiles table out.
inline bool writeMbtiles(const std::filesystem::path& path,
                         const std::map<std::string, std::string>& metadata,
                         const std::vector<MbtilesTile>& tiles, bool withTiles = true) {
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    bool ok = sqlite3_exec(db,
                           "begin; create table metadata (name text, value text);"
                           "create table t (zoom_level integer, tile_column integer,"
                           " tile_row integer, tile_data blob);",
                           nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* put = nullptr;
    sqlite3_prepare_v2(db, "insert into metadata values (?1, ?2);", -1, &put, nullptr);
    for (const auto& [name, value] : metadata) {
        sqlite3_bind_text(put, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(put, 2, value.c_str(), -1, SQLITE_TRANSIENT);
        ok = ok && sqlite3_step(put) == SQLITE_DONE;
        sqlite3_reset(put);
    }
    sqlite3_finalize(put);
    sqlite3_prepare_v2(db, "insert into t values (?1, ?2, ?3, ?4);", -1, &put, nullptr);
    for (const MbtilesTile& tile : tiles) {
        sqlite3_bind_int(put, 1, tile.z);
        sqlite3_bind_int(put, 2, tile.x);
        sqlite3_bind_int(put, 3, (1 << tile.z) - 1 - tile.y);
        sqlite3_bind_blob(put, 4, tile.image.data(), static_cast<int>(tile.image.size()),
                          SQLITE_TRANSIENT);
        ok = ok && sqlite3_step(put) == SQLITE_DONE;
        sqlite3_reset(put);
    }
    sqlite3_finalize(put);
    ok = ok && sqlite3_exec(db,
                            withTiles ? "create unique index ti on t (zoom_level, tile_column,"
                                        " tile_row); alter table t rename to tiles; commit;"
                                      : "commit;",
                            nullptr, nullptr, nullptr) == SQLITE_OK;
    return sqlite3_close(db) == SQLITE_OK && ok;
}

}  // namespace vandrel::testing
