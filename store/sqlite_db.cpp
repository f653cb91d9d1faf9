// The connection operations of TrackDatabase; the statements on the track tables are in
// track_database.cpp.

#include <algorithm>
#include <cstdlib>

#include "store/sqlite_db.h"

namespace vandrel {
namespace {

void checkOpen(sqlite3* db) {
    if (db == nullptr) {
        throw CppSQLite3Exception(kCppSqliteError, "Database not open");
    }
}

}  // namespace

TrackDatabase::~TrackDatabase() {
    close();
}

// sqlite3_open hands back a handle even when it fails; that handle only carries the error
// text, so it is closed before the failure is thrown and the object stays closed.
void TrackDatabase::open(const char* path) {
    close();
    path_ = path != nullptr ? path : "";
    sqlite3* db = nullptr;
    const int rc = sqlite3_open(path, &db);
    if (rc != SQLITE_OK) {
        CppSQLite3Exception error(rc, db != nullptr ? sqlite3_errmsg(db) : nullptr);
        sqlite3_close(db);
        throw error;
    }
    db_ = db;
    setBusyTimeout(busyTimeoutMs_);
    // A full log's download is one transaction of about 6 MB of pages; with SQLite's default
    // 2 MB cache it spills to the journal half-way and syncs it twice more.
    sqlite3_exec(db_, "pragma cache_size=-16384;", nullptr, nullptr, nullptr);
    // A transaction is committed when its rollback journal is deleted. SQLite's default (FULL)
    // does not sync the folder after that delete, so a power cut in the seconds after a
    // download said "Download Complete!" could bring the journal back and undo the download,
    // while the user may already have erased the logger. EXTRA syncs the folder too.
    sqlite3_exec(db_, "pragma synchronous=extra;", nullptr, nullptr, nullptr);
}

void TrackDatabase::close() {
    finalizeCachedStatements();
    if (db_ != nullptr) {
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

// While closed the value is only kept; open applies it. The handler waits as SQLite's own busy
// timeout does, and gives the notice before its first wait.
int TrackDatabase::setBusyTimeout(int milliseconds) {
    busyTimeoutMs_ = milliseconds;
    if (db_ == nullptr) {
        return SQLITE_OK;
    }
    return sqlite3_busy_handler(db_, milliseconds > 0 ? &TrackDatabase::onBusy : nullptr, this);
}

void TrackDatabase::setBusyNotice(std::function<void()> notice) {
    busyNotice_ = std::move(notice);
    busyNoticeGiven_ = false;
}

int TrackDatabase::onBusy(void* self, int count) {
    auto* db = static_cast<TrackDatabase*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (count == 0) {
        db->busySince_ = now;
        if (db->busyNotice_ && !db->busyNoticeGiven_) {
            db->busyNoticeGiven_ = true;
            db->busyNotice_();
        }
    }
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - db->busySince_).count();
    if (waited >= db->busyTimeoutMs_) {
        return 0;
    }
    // Short steps first: most locks are held for a moment only.
    const int step = count < 10 ? 5 : 50;
    sqlite3_sleep(static_cast<int>(std::min<long long>(step, db->busyTimeoutMs_ - waited)));
    return 1;
}

// SQLite's own text for the code (sqlite3_errstr) names the reason even where the exception's
// detail is empty, as it is for a statement that could not be prepared.
std::string TrackDatabase::describe(const CppSQLite3Exception& error) const {
    std::string text = error.errorMessage();
    if (error.errorCode() == kCppSqliteError) {
        return text;
    }
    const std::string file = path_.empty() ? std::string("the database") : path_;
    return text + (text.empty() || text.back() == ' ' ? "" : " ") + "(" + file + ": " +
           sqlite3_errstr(error.errorCode()) + ")";
}

int TrackDatabase::execute(const char* sql) {
    checkOpen(db_);
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        throw CppSQLite3Exception(rc, error, true);
    }
    return sqlite3_changes(db_);
}

// A failed prepare is reported with its code alone: the detail stays empty. A failed first
// step finalises the statement, whose result is the specific code of the failure.
SqlQuery TrackDatabase::query(const char* sql) {
    checkOpen(db_);
    sqlite3_stmt* statement = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr);
    if (rc != SQLITE_OK) {
        throw CppSQLite3Exception(rc, "");
    }
    if (statement == nullptr) {
        // Text without a statement (empty, blanks or a comment): there is nothing to step.
        throw CppSQLite3Exception(kCppSqliteError, "Null Virtual Machine pointer");
    }
    const int step = sqlite3_step(statement);
    if (step == SQLITE_DONE) {
        return SqlQuery(db_, statement, true);
    }
    if (step == SQLITE_ROW) {
        return SqlQuery(db_, statement, false);
    }
    const int finalRc = sqlite3_finalize(statement);
    throw CppSQLite3Exception(finalRc, sqlite3_errmsg(db_));
}

int TrackDatabase::scalar(const char* sql) {
    SqlQuery result = query(sql);
    if (result.eof() || result.fieldCount() < 1) {
        throw CppSQLite3Exception(kCppSqliteError, "Invalid scalar query");
    }
    const char* value = result.fieldValue(0);
    return value != nullptr ? std::atoi(value) : 0;
}

bool TrackDatabase::tableExists(const char* table) {
    // %q doubles any quote in the name, so the name cannot end the literal early.
    char* sql = sqlite3_mprintf(
        "select count(*) from sqlite_master where type='table' and name='%q'", table);
    if (sql == nullptr) {
        throw CppSQLite3Exception(SQLITE_NOMEM, nullptr);
    }
    int count = 0;
    try {
        count = scalar(sql);
    } catch (...) {
        sqlite3_free(sql);
        throw;
    }
    sqlite3_free(sql);
    return count > 0;
}

int TrackDatabase::lastRowId() {
    checkOpen(db_);
    return static_cast<int>(sqlite3_last_insert_rowid(db_));
}

}  // namespace vandrel
