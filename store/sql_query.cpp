#include <cstring>
#include <utility>

#include "store/sqlite_db.h"

namespace vandrel {

SqlQuery::SqlQuery(sqlite3* db, sqlite3_stmt* statement, bool atEnd, bool ownsStatement)
    : db_(db),
      statement_(statement),
      atEnd_(atEnd),
      columnCount_(statement != nullptr ? sqlite3_column_count(statement) : 0),
      ownsStatement_(ownsStatement) {}

SqlQuery::SqlQuery(SqlQuery&& other) noexcept
    : db_(other.db_),
      statement_(std::exchange(other.statement_, nullptr)),
      atEnd_(std::exchange(other.atEnd_, true)),
      columnCount_(std::exchange(other.columnCount_, 0)),
      ownsStatement_(std::exchange(other.ownsStatement_, false)) {}

SqlQuery& SqlQuery::operator=(SqlQuery&& other) noexcept {
    if (this != &other) {
        // The statement held so far is given up first; a failure to finalise it has no one
        // left to report to.
        try {
            finalize();
        } catch (...) {
        }
        db_ = other.db_;
        statement_ = std::exchange(other.statement_, nullptr);
        atEnd_ = std::exchange(other.atEnd_, true);
        columnCount_ = std::exchange(other.columnCount_, 0);
        ownsStatement_ = std::exchange(other.ownsStatement_, false);
    }
    return *this;
}

SqlQuery::~SqlQuery() {
    try {
        finalize();
    } catch (...) {
    }
}

void SqlQuery::checkStatement() const {
    if (statement_ == nullptr) {
        throw CppSQLite3Exception(kCppSqliteError, "Null Virtual Machine pointer");
    }
}

void SqlQuery::checkIndex(int index) const {
    if (index < 0 || index > columnCount_ - 1) {
        throw CppSQLite3Exception(kCppSqliteError, "Invalid field index requested");
    }
}

bool SqlQuery::eof() {
    checkStatement();
    return atEnd_;
}

// A step that neither yields a row nor ends the result ends the cursor: the statement is
// finalised, and finalising reports the specific error code of the failed step.
void SqlQuery::nextRow() {
    checkStatement();
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_DONE) {
        atEnd_ = true;
    } else if (rc != SQLITE_ROW) {
        const int finalRc = sqlite3_finalize(statement_);
        statement_ = nullptr;
        throw CppSQLite3Exception(finalRc, sqlite3_errmsg(db_));
    }
}

int SqlQuery::fieldCount() {
    checkStatement();
    return columnCount_;
}

int SqlQuery::fieldIndex(const char* name) {
    checkStatement();
    if (name != nullptr) {
        for (int i = 0; i < columnCount_; ++i) {
            const char* column = sqlite3_column_name(statement_, i);
            if (column != nullptr && std::strcmp(name, column) == 0) {
                return i;
            }
        }
    }
    throw CppSQLite3Exception(kCppSqliteError, "Invalid field name requested");
}

const char* SqlQuery::fieldValue(int index) {
    checkStatement();
    checkIndex(index);
    return reinterpret_cast<const char*>(sqlite3_column_text(statement_, index));
}

int SqlQuery::fieldType(int index) {
    checkStatement();
    checkIndex(index);
    return sqlite3_column_type(statement_, index);
}

int SqlQuery::intField(int index, int nullValue) {
    if (fieldType(index) == SQLITE_NULL) {
        return nullValue;
    }
    return sqlite3_column_int(statement_, index);
}

int SqlQuery::intField(const char* name, int nullValue) {
    return intField(fieldIndex(name), nullValue);
}

double SqlQuery::floatField(int index, double nullValue) {
    if (fieldType(index) == SQLITE_NULL) {
        return nullValue;
    }
    return sqlite3_column_double(statement_, index);
}

double SqlQuery::floatField(const char* name, double nullValue) {
    return floatField(fieldIndex(name), nullValue);
}

const char* SqlQuery::stringField(int index, const char* nullValue) {
    if (fieldType(index) == SQLITE_NULL) {
        return nullValue;
    }
    return reinterpret_cast<const char*>(sqlite3_column_text(statement_, index));
}

const char* SqlQuery::stringField(const char* name, const char* nullValue) {
    return stringField(fieldIndex(name), nullValue);
}

bool SqlQuery::isNull(const char* name) {
    return fieldType(fieldIndex(name)) == SQLITE_NULL;
}

void SqlQuery::finalize() {
    if (statement_ != nullptr && ownsStatement_) {
        const int rc = sqlite3_finalize(statement_);
        statement_ = nullptr;
        if (rc != SQLITE_OK) {
            throw CppSQLite3Exception(rc, sqlite3_errmsg(db_));
        }
    }
}

}  // namespace vandrel
