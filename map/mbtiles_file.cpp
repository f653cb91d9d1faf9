#include "map/mbtiles_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <system_error>

namespace vandrel::map {
// The metadata's format is not trusted: a tile is served as what it is.
std::string_view tileImageType(std::string_view bytes) {
    if (bytes.starts_with("\x89PNG\r\n\x1a\n")) {
        return "image/png";
    }
    if (bytes.starts_with("\xff\xd8\xff")) {
        return "image/jpeg";
    }
    if (bytes.size() >= 12 && bytes.starts_with("RIFF") && bytes.substr(8, 4) == "WEBP") {
        return "image/webp";
    }
    return {};
}

namespace {

std::optional<TileBounds> boundsOf(const std::string& text) {
    TileBounds b;
    if (std::sscanf(text.c_str(), "%lf,%lf,%lf,%lf", &b.west, &b.south, &b.east, &b.north) != 4 ||
        !(b.west < b.east) || !(b.south < b.north) || b.south < -90 || b.north > 90) {
        return std::nullopt;
    }
    return b;
}

int zoomOf(const std::string& text, int fallback) {
    char* end = nullptr;
    const long zoom = std::strtol(text.c_str(), &end, 10);
    return end != text.c_str() && *end == '\0' && zoom >= 0 && zoom <= 24 ? static_cast<int>(zoom)
                                                                          : fallback;
}

}  // namespace

bool meantAsMapFile(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".mbtiles") {
        return true;
    }
    // The 16-byte header every SQLite database starts with.
    static constexpr std::string_view kSqliteHeader{"SQLite format 3\0", 16};
    char head[16] = {};
    std::ifstream in(path, std::ios::binary);
    return in.read(head, sizeof head) && std::string_view(head, sizeof head) == kSqliteHeader;
}

std::unique_ptr<MbtilesFile> MbtilesFile::open(const std::filesystem::path& path,
                                               std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = path.string() + " is not an offline map file (MBTiles): there is no such file";
        return nullptr;
    }
    sqlite3* db = nullptr;
    // Read-only and immutable: the program never writes the user's map, and SQLite takes no
    // locks on a file that another program might be copying.
    std::string uri = "file:";
    for (const char c : path.string()) {
        // The characters that would end the path or start an escape in a URI name.
        uri += c == '%'   ? std::string("%25")
               : c == '?' ? "%3f"
               : c == '#' ? "%23"
                          : std::string(1, c);
    }
    uri += "?immutable=1";
    const int rc =
        sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    std::unique_ptr<MbtilesFile> file(new MbtilesFile(path, db));
    std::string reason = rc == SQLITE_OK ? file->check() : sqlite3_errstr(rc);
    if (!reason.empty()) {
        error = path.string() + " is not an offline map file (MBTiles): " + reason;
        return nullptr;
    }
    return file;
}

MbtilesFile::~MbtilesFile() {
    sqlite3_finalize(tileQuery_);
    sqlite3_close(db_);
}

// Empty when the file is whole and has both tables, else the reason.
std::string MbtilesFile::check() {
    sqlite3_stmt* size = nullptr;
    if (sqlite3_prepare_v2(db_, "pragma page_count;", -1, &size, nullptr) != SQLITE_OK) {
        return sqlite3_errmsg(db_);
    }
    const bool counted = sqlite3_step(size) == SQLITE_ROW;
    const sqlite3_int64 pages = counted ? sqlite3_column_int64(size, 0) : 0;
    sqlite3_finalize(size);
    if (!counted) {
        return sqlite3_errmsg(db_);
    }
    // A copy cut short still opens: its header names more pages than the file holds. Comparing
    // the two costs nothing, where an integrity check would read every tile.
    sqlite3_stmt* pageSize = nullptr;
    sqlite3_prepare_v2(db_, "pragma page_size;", -1, &pageSize, nullptr);
    const sqlite3_int64 bytes =
        sqlite3_step(pageSize) == SQLITE_ROW ? pages * sqlite3_column_int64(pageSize, 0) : 0;
    sqlite3_finalize(pageSize);
    std::error_code ec;
    if (static_cast<sqlite3_int64>(std::filesystem::file_size(path_, ec)) < bytes || ec) {
        return "the file is cut short";
    }
    if (sqlite3_prepare_v2(db_,
                           "select tile_data from tiles where zoom_level = ?1 and "
                           "tile_column = ?2 and tile_row = ?3;",
                           -1, &tileQuery_, nullptr) != SQLITE_OK) {
        return std::string("it has no tiles table (") + sqlite3_errmsg(db_) + ")";
    }
    return readMetadata();
}

std::string MbtilesFile::readMetadata() {
    sqlite3_stmt* rows = nullptr;
    if (sqlite3_prepare_v2(db_, "select name, value from metadata;", -1, &rows, nullptr) !=
        SQLITE_OK) {
        return std::string("it has no metadata table (") + sqlite3_errmsg(db_) + ")";
    }
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(rows)) == SQLITE_ROW) {
        const auto* n = sqlite3_column_text(rows, 0);
        const auto* v = sqlite3_column_text(rows, 1);
        const std::string name = n != nullptr ? reinterpret_cast<const char*>(n) : "";
        const std::string value = v != nullptr ? reinterpret_cast<const char*>(v) : "";
        if (name == "name") {
            info_.name = value;
        } else if (name == "attribution") {
            info_.attribution = value;
        } else if (name == "minzoom") {
            info_.minZoom = zoomOf(value, info_.minZoom);
        } else if (name == "maxzoom") {
            info_.maxZoom = zoomOf(value, info_.maxZoom);
        } else if (name == "bounds") {
            info_.bounds = boundsOf(value);
        } else if (name == "format" && value != "png" && value != "jpg" && value != "jpeg" &&
                   value != "webp") {
            sqlite3_finalize(rows);
            return "its tiles are " + value + ", not images";
        }
    }
    sqlite3_finalize(rows);
    if (rc != SQLITE_DONE) {
        return sqlite3_errmsg(db_);
    }
    if (info_.minZoom > info_.maxZoom) {
        return "its zoom range is empty";
    }
    return {};
}

std::optional<std::string> MbtilesFile::tile(int z, int x, int y) const {
    if (z < 0 || z > 30 || x < 0 || y < 0 || x >= (1 << z) || y >= (1 << z)) {
        return std::nullopt;
    }
    sqlite3_bind_int(tileQuery_, 1, z);
    sqlite3_bind_int(tileQuery_, 2, x);
    sqlite3_bind_int(tileQuery_, 3, (1 << z) - 1 - y);
    std::optional<std::string> bytes;
    if (sqlite3_step(tileQuery_) == SQLITE_ROW) {
        const void* data = sqlite3_column_blob(tileQuery_, 0);
        const int size = sqlite3_column_bytes(tileQuery_, 0);
        if (data != nullptr && size > 0) {
            bytes.emplace(static_cast<const char*>(data), static_cast<std::size_t>(size));
        }
    }
    sqlite3_reset(tileQuery_);
    if (bytes && tileImageType(*bytes).empty()) {
        bytes.reset();
    }
    return bytes;
}

}  // namespace vandrel::map
