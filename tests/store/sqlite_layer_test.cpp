// The database access layer: exception texts, the connection, and the cursor.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "store/sql_text.h"
#include "store/sqlite_db.h"
#include "test_support.h"

namespace vandrel {
namespace {

using vandrel::testing::TempDir;

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const CppSQLite3Exception& e) {
        return e.errorMessage();
    }
    return "(nothing thrown)";
}

int openStatements(sqlite3* db) {
    int count = 0;
    for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s != nullptr;
         s = sqlite3_next_stmt(db, s)) {
        ++count;
    }
    return count;
}

// Every number the statements write is "%f" text, and stored values are what that text converts
// to, so the text must stay the one the general formatter writes, digit for digit: the exact
// binary value rounded to six decimals, a tie to the even one. Random bit patterns cover every
// magnitude; ties, the edge of the shortcut's range and the smallest values are added.
TEST(SqlText, RealsAreWrittenAsTheGeneralFormatterWritesThem) {
    const auto general = [](double value) {
        char buffer[400];
        const auto end =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
        return std::string(buffer, end.ptr);
    };
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.0000005,
                                  -0.0000005,
                                  0.0000015,
                                  0.0000025,
                                  9.2e12,
                                  9.3e12,
                                  1e15,
                                  4503599627370495.5,
                                  1e300,
                                  5e-324,
                                  -5e-324,
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::min()};
    // Exact ties: odd multiples of 2^-7 have a 5 in the seventh decimal and nothing after.
    for (int k = -2000; k <= 2000; k += 2) {
        values.push_back((k + 1) / 128.0);
        values.push_back(12345678.0 + (k + 1) / 128.0);
    }
    std::mt19937_64 random(7);
    for (int i = 0; i < 100000; ++i) {
        const uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value)) {
            values.push_back(value);
        }
        // The magnitudes of a track: up to a few million, as floats and as doubles.
        const double scale = std::ldexp(1.0, static_cast<int>(random() % 80) - 40);
        const double near =
            (static_cast<double>(random() >> 11) / 9007199254740992.0 - 0.5) * scale;
        values.push_back(near);
        values.push_back(static_cast<float>(near));
    }
    for (double value : values) {
        ASSERT_EQ(sql::format("%f", {value}), general(value)) << value;
    }
}

class SqliteLayer : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open((dir / "layer.db").string().c_str());
        db.execute("create table T (id integer primary key, name text, value double);");
        db.execute("insert into T (id,name,value) values (1,'one',1.5);");
        db.execute("insert into T (id,name,value) values (2,NULL,NULL);");
    }

    TempDir dir;
    TrackDatabase db;
};

TEST(SqliteException, NamesEveryCodeAndFormatsTheMessage) {
    EXPECT_STREQ(CppSQLite3Exception::errorCodeAsString(0), "SQLITE_OK");
    EXPECT_STREQ(CppSQLite3Exception::errorCodeAsString(25), "SQLITE_RANGE");
    EXPECT_STREQ(CppSQLite3Exception::errorCodeAsString(26), "UNKNOWN_ERROR");
    EXPECT_STREQ(CppSQLite3Exception::errorCodeAsString(-1), "UNKNOWN_ERROR");
    EXPECT_STREQ(CppSQLite3Exception::errorCodeAsString(100), "SQLITE_ROW");
    EXPECT_STREQ(CppSQLite3Exception::errorCodeAsString(101), "SQLITE_DONE");
    EXPECT_STREQ(CppSQLite3Exception::errorCodeAsString(1000), "CPPSQLITE_ERROR");

    EXPECT_STREQ(CppSQLite3Exception(19, "boom").errorMessage(), "SQLITE_CONSTRAINT[19]: boom");
    EXPECT_STREQ(CppSQLite3Exception(26, nullptr).errorMessage(), "UNKNOWN_ERROR[26]: ");
    EXPECT_EQ(CppSQLite3Exception(26, nullptr).errorCode(), 26);
}

TEST(SqliteException, CopiesOwnTheirMessageAndFreeTheGivenDetail) {
    // The detail allocated by SQLite is released by the exception (the leak checker watches).
    CppSQLite3Exception original(1, sqlite3_mprintf("near %s", "x"), true);
    CppSQLite3Exception copy(original);
    EXPECT_STREQ(copy.errorMessage(), "SQLITE_ERROR[1]: near x");
    EXPECT_NE(copy.errorMessage(), original.errorMessage());
    CppSQLite3Exception assigned(5, "other");
    assigned = original;
    EXPECT_EQ(assigned.errorCode(), 1);
    EXPECT_STREQ(assigned.errorMessage(), "SQLITE_ERROR[1]: near x");
    const CppSQLite3Exception& alias = assigned;
    assigned = alias;
    EXPECT_STREQ(assigned.errorMessage(), "SQLITE_ERROR[1]: near x");
}

TEST(SqliteConnection, ClosedDatabaseRefusesEveryStatement) {
    TempDir dir;
    TrackDatabase db;
    db.open((dir / "a.db").string().c_str());
    db.close();
    const std::string expected = "CPPSQLITE_ERROR[1000]: Database not open";
    EXPECT_EQ(messageOf([&] { db.execute("select 1;"); }), expected);
    EXPECT_EQ(messageOf([&] { db.query("select 1;"); }), expected);
    EXPECT_EQ(messageOf([&] { db.scalar("select 1;"); }), expected);
    EXPECT_EQ(messageOf([&] { db.tableExists("TK"); }), expected);
    EXPECT_EQ(messageOf([&] { db.lastRowId(); }), expected);
    db.close();
    db.close();
    EXPECT_FALSE(db.isOpen());
    db.rollbackTransaction();
}

TEST(SqliteConnection, OpenFailureThrowsAndLeavesTheObjectClosed) {
    TempDir dir;
    TrackDatabase db;
    const std::string message =
        messageOf([&] { db.open((dir / "missing" / "folder" / "x.db").string().c_str()); });
    EXPECT_EQ(message, "SQLITE_CANTOPEN[14]: unable to open database file");
    EXPECT_FALSE(db.isOpen());
}

TEST(SqliteConnection, BusyDatabaseFailsAfterTheTimeout) {
    TempDir dir;
    TrackDatabase holder;
    TrackDatabase waiter;
    holder.open((dir / "busy.db").string().c_str());
    holder.execute("create table A (x integer);");
    waiter.open((dir / "busy.db").string().c_str());
    EXPECT_EQ(waiter.setBusyTimeout(50), SQLITE_OK);
    holder.execute("begin exclusive transaction;");
    EXPECT_EQ(messageOf([&] { waiter.execute("insert into A values (1);"); }),
              "SQLITE_BUSY[5]: database is locked");
    holder.execute("commit transaction;");
    EXPECT_EQ(waiter.execute("insert into A values (1);"), 1);
}

TEST_F(SqliteLayer, InvalidSqlHasAnEmptyDetailInQueryAndSqliteTextInExecute) {
    EXPECT_EQ(messageOf([&] { db.query("selec * from T;"); }), "SQLITE_ERROR[1]: ");
    EXPECT_EQ(messageOf([&] { db.execute("selec * from T;"); }),
              "SQLITE_ERROR[1]: near \"selec\": syntax error");
    EXPECT_EQ(messageOf([&] { db.query("select * from Missing;"); }), "SQLITE_ERROR[1]: ");
    EXPECT_EQ(messageOf([&] { db.query("  "); }),
              "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
}

TEST_F(SqliteLayer, FailedFirstStepReportsTheSpecificCode) {
    EXPECT_EQ(messageOf([&] { db.query("insert into T (id) values (1);"); }),
              "SQLITE_CONSTRAINT[19]: UNIQUE constraint failed: T.id");
    EXPECT_EQ(openStatements(db.handle()), 0);
}

TEST_F(SqliteLayer, FailedLaterStepEndsTheCursor) {
    // abs() of the smallest 64-bit integer fails on the second row only.
    SqlQuery q =
        db.query("select abs(x) from (select 1 as x union all select -9223372036854775808);");
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(messageOf([&] { q.nextRow(); }), "SQLITE_ERROR[1]: integer overflow");
    EXPECT_EQ(messageOf([&] { q.eof(); }), "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
    EXPECT_EQ(openStatements(db.handle()), 0);
}

TEST_F(SqliteLayer, CursorWalksRowsAndEndsAtOnceOnEmptyResult) {
    SqlQuery empty = db.query("select * from T where id>10;");
    EXPECT_TRUE(empty.eof());
    EXPECT_EQ(empty.fieldCount(), 3);

    SqlQuery q = db.query("select id,name from T order by id;");
    ASSERT_FALSE(q.eof());
    EXPECT_STREQ(q.fieldValue(1), "one");
    q.nextRow();
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.intField("id"), 2);
    q.nextRow();
    EXPECT_TRUE(q.eof());
    q.finalize();
    q.finalize();
    EXPECT_EQ(messageOf([&] { q.nextRow(); }),
              "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
    SqlQuery none;
    EXPECT_EQ(messageOf([&] { none.fieldCount(); }),
              "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
}

TEST_F(SqliteLayer, FieldLookupIsExactAndIndexChecked) {
    SqlQuery q = db.query("select id,name,value from T where id=1;");
    EXPECT_EQ(q.fieldIndex("value"), 2);
    const std::string badName = "CPPSQLITE_ERROR[1000]: Invalid field name requested";
    EXPECT_EQ(messageOf([&] { q.fieldIndex("Value"); }), badName);
    EXPECT_EQ(messageOf([&] { q.fieldIndex("ID"); }), badName);
    EXPECT_EQ(messageOf([&] { q.fieldIndex(nullptr); }), badName);
    const std::string badIndex = "CPPSQLITE_ERROR[1000]: Invalid field index requested";
    EXPECT_EQ(messageOf([&] { q.fieldValue(-1); }), badIndex);
    EXPECT_EQ(messageOf([&] { q.fieldValue(3); }), badIndex);
    EXPECT_EQ(messageOf([&] { q.fieldType(3); }), badIndex);
    EXPECT_EQ(q.fieldType(2), SQLITE_FLOAT);
    EXPECT_DOUBLE_EQ(q.floatField("value"), 1.5);
}

TEST_F(SqliteLayer, NullColumnsGiveTheCallersDefault) {
    SqlQuery q = db.query("select id,name,value from T where id=2;");
    EXPECT_TRUE(q.isNull("name"));
    EXPECT_FALSE(q.isNull("id"));
    EXPECT_EQ(q.intField("value", -7), -7);
    EXPECT_DOUBLE_EQ(q.floatField("value", 2.25), 2.25);
    EXPECT_STREQ(q.stringField("name", "none"), "none");
    EXPECT_EQ(q.intField(1, 9), 9);
}

TEST_F(SqliteLayer, MovingACursorFinalisesTheStatementItReplaces) {
    SqlQuery a = db.query("select * from T;");
    SqlQuery b = db.query("select id from T order by id;");
    EXPECT_EQ(openStatements(db.handle()), 2);
    a = std::move(b);
    EXPECT_EQ(openStatements(db.handle()), 1);
    EXPECT_EQ(a.fieldCount(), 1);
    EXPECT_EQ(a.intField(0), 1);
    EXPECT_EQ(messageOf([&] { b.eof(); }), "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
    SqlQuery c(std::move(a));
    EXPECT_EQ(c.intField(0), 1);
    c.finalize();
    EXPECT_EQ(openStatements(db.handle()), 0);
}

TEST_F(SqliteLayer, ScalarAndTableExists) {
    EXPECT_EQ(db.scalar("select count(*) from T;"), 2);
    EXPECT_EQ(db.scalar("select name from T where id=2;"), 0);
    EXPECT_EQ(messageOf([&] { db.scalar("select id from T where id>10;"); }),
              "CPPSQLITE_ERROR[1000]: Invalid scalar query");
    EXPECT_EQ(messageOf([&] { db.scalar("delete from T where id>10;"); }),
              "CPPSQLITE_ERROR[1000]: Invalid scalar query");
    EXPECT_TRUE(db.tableExists("T"));
    EXPECT_FALSE(db.tableExists("t2"));
    // A quote in the name stays inside the literal instead of rewriting the condition.
    EXPECT_FALSE(db.tableExists("x' or '1'='1"));
    db.execute("create table \"it's\" (x integer);");
    EXPECT_TRUE(db.tableExists("it's"));
}

}  // namespace
}  // namespace vandrel
