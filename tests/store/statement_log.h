#pragma once
// Records the text of every statement a connection runs, as SQLite prepared it.

#include <sqlite3.h>

#include <string>
#include <vector>

namespace vandrel::testing {

class StatementLog {
  public:
    explicit StatementLog(sqlite3* db) : db_(db) {
        sqlite3_trace_v2(db_, SQLITE_TRACE_STMT, &StatementLog::record, this);
    }
    ~StatementLog() { sqlite3_trace_v2(db_, 0, nullptr, nullptr); }
    StatementLog(const StatementLog&) = delete;
    StatementLog& operator=(const StatementLog&) = delete;

    const std::vector<std::string>& statements() const { return statements_; }
    void clear() { statements_.clear(); }

  private:
    static int record(unsigned type, void* context, void*, void* text) {
        auto* self = static_cast<StatementLog*>(context);
        const char* sql = static_cast<const char*>(text);
        // Statements run by triggers are reported as "-- ..." comments; only the program's
        // own statements are of interest.
        if (type == SQLITE_TRACE_STMT && sql != nullptr && std::string(sql).rfind("--", 0) != 0) {
            self->statements_.emplace_back(sql);
        }
        return 0;
    }

    sqlite3* db_;
    std::vector<std::string> statements_;
};

}  // namespace vandrel::testing
