#include "map/mbtiles_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <system_error>

#include "core/file_reading.h"

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

// A real map file answers in milliseconds: its metadata is a few rows and each tile one lookup
// in an index. A file that takes longer than these is built to hang (a recursive view standing
// in for a table), and it is refused before the window waits on it any longer.
constexpr std::chrono::seconds kOpenTime{2};
constexpr std::chrono::seconds kTileTime{1};
// Real metadata holds a dozen rows.
constexpr int kMostMetadataRows = 1000;
// No value of a map's metadata comes near this; SQLite holds a value whole before cutting it, so
// a larger one refuses the file rather than costing the memory.
constexpr int kLargestMetadataValue = 128 << 20;
// kLargestTile: a raster tile of 512 x 512 pixels, the largest in use, stays under 1 MB even as
// an uncompressed PNG; 4 MB leaves room and keeps a tile that answers every request with one huge
// value from costing that much memory per tile shown.

// The text cut to `longest` characters of UTF-8, with an ellipsis when there were more.
std::string cutText(std::string text, std::size_t longest) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && chars++ == longest) {
            text.resize(i);
            return text + "\u2026";
        }
    }
    return text;
}

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
    const FileRead head = readRegularFile(path, kSqliteHeader.size());
    return head.ok && std::string_view(reinterpret_cast<const char*>(head.bytes.data()),
                                       head.bytes.size()) == kSqliteHeader;
}

std::unique_ptr<MbtilesFile> MbtilesFile::open(const std::filesystem::path& path,
                                               std::string& error) {
    // A FIFO would block SQLite's open for good: only a regular file is opened.
    if (FileRead head = readRegularFile(path, 0); !head.ok) {
        const std::size_t prefix = cannotRead(path, "").size();
        error = path.string() + " is not an offline map file (MBTiles): " +
                (head.missing ? "there is no such file" : head.error.substr(prefix));
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

int MbtilesFile::pastDeadline(void* file) {
    return std::chrono::steady_clock::now() > static_cast<MbtilesFile*>(file)->deadline_ ? 1 : 0;
}

// Empty when the file is whole and has both tables, else the reason.
std::string MbtilesFile::check() {
    sqlite3_progress_handler(db_, 1000, &MbtilesFile::pastDeadline, this);
    deadline_ = std::chrono::steady_clock::now() + kOpenTime;
    sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, kLargestMetadataValue);
    std::string reason = checkTables();
    sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, kLargestTile);
    return reason;
}

std::string MbtilesFile::checkTables() {
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
                           "tile_column = ?2 and tile_row = ?3 limit 1;",
                           -1, &tileQuery_, nullptr) != SQLITE_OK) {
        return std::string("it has no tiles table (") + sqlite3_errmsg(db_) + ")";
    }
    return readMetadata();
}

std::string MbtilesFile::readMetadata() {
    sqlite3_stmt* rows = nullptr;
    // Each value cut in SQL one character past what is kept, so that the cut shows.
    const std::string query =
        "select substr(cast(name as text), 1, 32), "
        "substr(cast(value as text), 1, " +
        std::to_string(kLongestMapAttribution + 1) + ") from metadata limit " +
        std::to_string(kMostMetadataRows + 1) + ";";
    if (sqlite3_prepare_v2(db_, query.c_str(), -1, &rows, nullptr) != SQLITE_OK) {
        return std::string("it has no metadata table (") + sqlite3_errmsg(db_) + ")";
    }
    int rc = SQLITE_ROW;
    for (int row = 0; (rc = sqlite3_step(rows)) == SQLITE_ROW; ++row) {
        if (row == kMostMetadataRows) {
            sqlite3_finalize(rows);
            return "its metadata holds more than " + std::to_string(kMostMetadataRows) +
                   " rows, as no map's does";
        }
        const auto* n = sqlite3_column_text(rows, 0);
        const auto* v = sqlite3_column_text(rows, 1);
        const std::string name = n != nullptr ? reinterpret_cast<const char*>(n) : "";
        const std::string value = v != nullptr ? reinterpret_cast<const char*>(v) : "";
        if (name == "name") {
            info_.name = cutText(value, kLongestMapName);
        } else if (name == "attribution") {
            info_.attribution = cutText(value, kLongestMapAttribution);
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
    if (rc == SQLITE_INTERRUPT) {
        return "reading its metadata took longer than " + std::to_string(kOpenTime.count()) +
               " s, as no map's does";
    }
    if (rc == SQLITE_TOOBIG) {
        return "its metadata holds a value larger than any map's";
    }
    if (rc != SQLITE_DONE) {
        return sqlite3_errmsg(db_);
    }
    if (info_.minZoom > info_.maxZoom) {
        return "its zoom range is empty";
    }
    return {};
}

std::optional<std::string> MbtilesFile::tile(int z, int x, int y) const {
    if (!refusal_.empty() || z < 0 || z > 30 || x < 0 || y < 0 || x >= (1 << z) || y >= (1 << z)) {
        return std::nullopt;
    }
    deadline_ = std::chrono::steady_clock::now() + kTileTime;
    sqlite3_bind_int(tileQuery_, 1, z);
    sqlite3_bind_int(tileQuery_, 2, x);
    sqlite3_bind_int(tileQuery_, 3, (1 << z) - 1 - y);
    std::optional<std::string> bytes;
    // A tile larger than kLargestTile ends the step with SQLITE_TOOBIG before it is held.
    const int rc = sqlite3_step(tileQuery_);
    if (rc == SQLITE_INTERRUPT) {
        refusal_ = path_.string() + " is not an offline map file (MBTiles): reading a tile took " +
                   "longer than " + std::to_string(kTileTime.count()) + " s, as no map's does";
    }
    if (rc == SQLITE_ROW) {
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
