#include <sqlite3.h>

#include <utility>

#include "store/sqlite_db.h"

namespace vandrel {
namespace {

// SQLite's primary result codes 0 to 25, in code order.
constexpr const char* kCodeNames[] = {
    "SQLITE_OK",       "SQLITE_ERROR",   "SQLITE_INTERNAL", "SQLITE_PERM",     "SQLITE_ABORT",
    "SQLITE_BUSY",     "SQLITE_LOCKED",  "SQLITE_NOMEM",    "SQLITE_READONLY", "SQLITE_INTERRUPT",
    "SQLITE_IOERR",    "SQLITE_CORRUPT", "SQLITE_NOTFOUND", "SQLITE_FULL",     "SQLITE_CANTOPEN",
    "SQLITE_PROTOCOL", "SQLITE_EMPTY",   "SQLITE_SCHEMA",   "SQLITE_TOOBIG",   "SQLITE_CONSTRAINT",
    "SQLITE_MISMATCH", "SQLITE_MISUSE",  "SQLITE_NOLFS",    "SQLITE_AUTH",     "SQLITE_FORMAT",
    "SQLITE_RANGE"};
constexpr int kNamedCodes = static_cast<int>(sizeof(kCodeNames) / sizeof(kCodeNames[0]));

}  // namespace

// The message is made before the detail is freed; the delegated constructor runs first.
CppSQLite3Exception::CppSQLite3Exception(int code, const char* detail, bool freeDetail)
    : CppSQLite3Exception(code, std::string(errorCodeAsString(code)) + "[" + std::to_string(code) +
                                    "]: " + (detail != nullptr ? detail : "")) {
    if (freeDetail && detail != nullptr) {
        sqlite3_free(const_cast<char*>(detail));
    }
}

CppSQLite3Exception::CppSQLite3Exception(int code, std::string message)
    : std::runtime_error(message), code_(code), message_(std::move(message)) {}

const char* CppSQLite3Exception::errorCodeAsString(int code) {
    if (code >= 0 && code < kNamedCodes) {
        return kCodeNames[code];
    }
    switch (code) {
        case SQLITE_ROW:
            return "SQLITE_ROW";
        case SQLITE_DONE:
            return "SQLITE_DONE";
        case kCppSqliteError:
            return "CPPSQLITE_ERROR";
        default:
            return "UNKNOWN_ERROR";
    }
}

}  // namespace vandrel
