#pragma once
// A thin layer over SQLite through which every database operation passes. It owns the one
// connection to the track database, runs complete SQL texts (the point inserts alone are
// prepared once and have their values bound), hands back rows through a forward-only cursor
// and turns every failure into CppSQLite3Exception, whose message is
// "<code name>[<code>]: <detail>". The layer's own errors use code 1000 ("CPPSQLITE_ERROR").

#include <sqlite3.h>

#include <chrono>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include "core/track_records.h"

namespace vandrel {

constexpr int kCppSqliteError = 1000;

// what() gives the same text as errorMessage(), so a handler of any std::exception tells it.
class CppSQLite3Exception : public std::runtime_error {
  public:
    // detail may be null (treated as ""); when freeDetail is true it was allocated by SQLite
    // and is released once copied into the message.
    CppSQLite3Exception(int code, const char* detail, bool freeDetail = false);

    int errorCode() const { return code_; }
    const char* errorMessage() const { return message_.c_str(); }

    // "SQLITE_OK" to "SQLITE_RANGE" for 0 to 25, "SQLITE_ROW", "SQLITE_DONE",
    // "CPPSQLITE_ERROR" for 1000, "UNKNOWN_ERROR" otherwise.
    static const char* errorCodeAsString(int code);

  private:
    CppSQLite3Exception(int code, std::string message);

    int code_;
    // Beside the base's text, which copies share: each copy's errorMessage() is its own.
    std::string message_;
};

// A cursor over one prepared statement; the first row is present when query() returns.
class SqlQuery {
  public:
    SqlQuery() = default;
    SqlQuery(sqlite3* db, sqlite3_stmt* statement, bool atEnd, bool ownsStatement = true);
    SqlQuery(SqlQuery&& other) noexcept;
    SqlQuery& operator=(SqlQuery&& other) noexcept;
    SqlQuery(const SqlQuery&) = delete;
    SqlQuery& operator=(const SqlQuery&) = delete;
    ~SqlQuery();

    bool eof();
    void nextRow();
    int fieldCount();
    int fieldIndex(const char* name);
    const char* fieldValue(int index);
    int fieldType(int index);
    int intField(int index, int nullValue = 0);
    int intField(const char* name, int nullValue = 0);
    double floatField(int index, double nullValue = 0.0);
    double floatField(const char* name, double nullValue = 0.0);
    const char* stringField(int index, const char* nullValue = "");
    const char* stringField(const char* name, const char* nullValue = "");
    bool isNull(const char* name);
    void finalize();

  private:
    void checkStatement() const;
    void checkIndex(int index) const;

    sqlite3* db_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
    bool atEnd_ = true;
    int columnCount_ = 0;
    bool ownsStatement_ = false;
};

// The connection to the track database, with the statements the program issues on its tables.
class TrackDatabase {
  public:
    TrackDatabase() = default;
    ~TrackDatabase();
    TrackDatabase(const TrackDatabase&) = delete;
    TrackDatabase& operator=(const TrackDatabase&) = delete;

    // Connection operations.
    void open(const char* path);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    int setBusyTimeout(int milliseconds);
    // Runs once per connection when a statement first has to wait for another program's lock,
    // so that a user learns at once why nothing happens; the wait itself is the busy timeout.
    void setBusyNotice(std::function<void()> notice);
    // The exception's message with the database file and SQLite's reason for its code added:
    // "SQLITE_BUSY[5]: (/data/Vandrel.db: database is locked)".
    std::string describe(const CppSQLite3Exception& error) const;
    const std::string& path() const { return path_; }
    int execute(const char* sql);
    SqlQuery query(const char* sql);
    int scalar(const char* sql);
    bool tableExists(const char* table);
    int lastRowId();
    sqlite3* handle() const { return db_; }

    // Track operations. openStore opens the database at `path` ("Vandrel.db" in the program
    // folder) and creates what is missing: both tables and the index on TKPT(tkid).
    //
    // A command whose only write is a download may leave the tables of a new database to the
    // download's transaction (storeDecodedTracks makes them there): a first download into a
    // new folder then costs one commit, not two, each of which syncs the disk five times. A
    // database that is no database, or is locked, still fails or waits at the open.
    enum class MissingTables { MadeNow, MadeByTheDownload };
    void openStore(const std::filesystem::path& path,
                   MissingTables missing = MissingTables::MadeNow);
    void ensureTables(MissingTables missing = MissingTables::MadeNow);
    // Inside a write transaction: creates the tables a database lacks, and the index with
    // the point table.
    void createMissingTables();
    void beginTransaction();
    // A transaction that holds the write lock from its start (see track_database.cpp).
    void beginImmediateTransaction();
    void commitTransaction();
    // Ends an open transaction without keeping its changes; never throws.
    void rollbackTransaction() noexcept;
    // A part of the open transaction that can be undone alone (SQLite's savepoints).
    void beginSavepoint(const char* name);
    void releaseSavepoint(const char* name);
    // Undoes the part and ends it; never throws.
    void rollbackSavepoint(const char* name) noexcept;
    int insertTrack(TrackHeader& header);
    // Writes the summary columns of a stored track (header.objid): a track stored in pieces
    // has them only once its last point is in.
    void updateTrackSummary(const TrackHeader& header);
    int insertPoint(TrackPoint& point);
    // Inserts the points in their order as insertPoint inserts each, storing the same values
    // and setting their objid, with many points a statement.
    void insertPoints(std::vector<TrackPoint>& points);
    // The complete statement text insertPoint stands for.
    static std::string insertPointText(const TrackPoint& point);
    void updatePoint(const TrackPoint& point);
    void deleteTrack(int objid);
    int findTrackByStart(double stime);
    SqlQuery selectAllTracks();
    SqlQuery selectTracksBetween(double from, double to);
    SqlQuery selectPoints(int tkid);
    int countPoints(int tkid);
    static void readTrackRow(SqlQuery& query, TrackHeader& header);
    static void readPointRow(SqlQuery& query, TrackPoint& point);

    // The points of a track in their stored order, read as readPointRow reads them.
    std::vector<TrackPoint> readTrackPoints(int tkid);
    // Reads the tracks starting in [from, to) with their points, in start order.
    std::vector<TrackHeader> readTracksBetween(double from, double to, bool withPoints = true);
    // Reads the tracks that have a moment in [from, to) (started before `to`, ended at or after
    // `from`) with their points, in start order: a day's tracks include one that ran over the
    // midnight before it.
    std::vector<TrackHeader> readTracksCovering(double from, double to, bool withPoints = true);

  private:
    // Points per statement of insertPoints: past a few dozen the statement's own cost no
    // longer shows.
    static constexpr int kPointsPerInsert = 64;

    void insertPointRows(TrackPoint* points, int rows);
    void readPointsOf(std::vector<TrackHeader>& tracks);
    void finalizeCachedStatements() noexcept;
    static int onBusy(void* self, int count);

    sqlite3* db_ = nullptr;
    std::string path_;  // as last given to open
    int busyTimeoutMs_ = 60000;
    std::function<void()> busyNotice_;
    bool busyNoticeGiven_ = false;
    std::chrono::steady_clock::time_point busySince_;
    // Prepared once per connection: one point, and kPointsPerInsert points.
    sqlite3_stmt* insertPointStatement_ = nullptr;
    sqlite3_stmt* insertPointsStatement_ = nullptr;
    std::string insertPointValues_;  // the texts bound to the last of them, back to back
};

}  // namespace vandrel
