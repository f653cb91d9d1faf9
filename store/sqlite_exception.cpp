#include <sqlite3.h>

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

CppSQLite3Exception::CppSQLite3Exception(int code, const char* detail, bool freeDetail)
    : code_(code),
      message_(sqlite3_mprintf("%s[%d]: %s", errorCodeAsString(code), code,
                               detail != nullptr ? detail : "")) {
    if (freeDetail && detail != nullptr) {
        sqlite3_free(const_cast<char*>(detail));
    }
}

CppSQLite3Exception::CppSQLite3Exception(const CppSQLite3Exception& other)
    : code_(other.code_), message_(nullptr) {
    if (other.message_ != nullptr) {
        message_ = sqlite3_mprintf("%s", other.message_);
    }
}

CppSQLite3Exception& CppSQLite3Exception::operator=(const CppSQLite3Exception& other) {
    if (this != &other) {
        char* copy = other.message_ != nullptr ? sqlite3_mprintf("%s", other.message_) : nullptr;
        sqlite3_free(message_);
        message_ = copy;
        code_ = other.code_;
    }
    return *this;
}

CppSQLite3Exception::~CppSQLite3Exception() {
    sqlite3_free(message_);
}

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
