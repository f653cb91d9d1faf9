// A life's recordings: a database of 1,000 tracks of 5,000 points (5,000,000 points). What a
// user waits for at start-up and while browsing must not grow with the database; only the
// backup of everything does, and it streams. The database is made once per run (by SQL, as
// millions of single inserts would take longer than the runs) in VANDREL_SCALE_DIR or a
// temporary folder.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "core/program_path.h"
#include "exchange/stored_tracks.h"
#include "flows/exchange_flows.h"
#include "scripted_prompt.h"
#include "store/sqlite_db.h"
#include "store/track_statistics_table.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

constexpr double kFirstDay = 45413.0;  // 2024-05-01
constexpr int kTracks = 1000;
constexpr int kPointsEach = 5000;

fs::path folder() {
    static const fs::path path = [] {
        if (const char* dir = std::getenv("VANDREL_SCALE_DIR"); dir != nullptr && *dir) {
            fs::create_directories(dir);
            return fs::path(dir);
        }
        std::string pattern = fs::temp_directory_path() / "vandrel-scale-XXXXXX";
        return fs::path(::mkdtemp(pattern.data()));
    }();
    return path;
}

TrackDatabase& database() {
    static TrackDatabase* db = [] {
        auto* d = new TrackDatabase;
        const fs::path file = folder() / "Vandrel.db";
        const bool made = fs::exists(file);
        d->openStore(file);
        if (!made) {
            d->beginTransaction();
            for (int t = 0; t < kTracks; ++t) {
                const double start = kFirstDay + t + 0.4;
                d->execute(("insert into TK (trail,dist,stime,etime,avgalt,avgbar,avgtmp,tzome) "
                            "values (1,5500," +
                            std::to_string(start) + "," + std::to_string(start + 0.06) +
                            ",400,1000,20,0);")
                               .c_str());
                const int tkid = d->lastRowId();
                d->execute(
                    ("with recursive n(i) as (select 0 union all select i + 1 from n "
                     "where i < " +
                     std::to_string(kPointsEach - 1) +
                     ") insert into TKPT (tkid,sdate,lat,lng,alt,bar,tmp,dist,pho) select " +
                     std::to_string(tkid) + "," + std::to_string(start) +
                     " + i / 86400.0, 47 + i * 1e-5, 8 + i * 1e-5, 400, 1000, 20, i * 1.1, '' "
                     "from n;")
                        .c_str());
            }
            d->commitTransaction();
        }
        return d;
    }();
    return *db;
}

void BM_OpenStore(benchmark::State& state) {
    database();
    for (auto _ : state) {
        TrackDatabase db;
        db.openStore(folder() / "Vandrel.db");
        benchmark::DoNotOptimize(db.isOpen());
    }
}
BENCHMARK(BM_OpenStore)->Unit(benchmark::kMillisecond);

// The calendar's track days and the command-line tool's track list read every track's row.
void BM_AllTrackRows(benchmark::State& state) {
    TrackDatabase& db = database();
    for (auto _ : state) {
        benchmark::DoNotOptimize(readStoredHeaders(db).size());
    }
}
BENCHMARK(BM_AllTrackRows)->Unit(benchmark::kMillisecond);

void BM_LoadOneDay(benchmark::State& state) {
    TrackDatabase& db = database();
    const double day = kFirstDay + 500;
    for (auto _ : state) {
        benchmark::DoNotOptimize(db.readTracksBetween(day, day + 1).size());
    }
}
BENCHMARK(BM_LoadOneDay)->Unit(benchmark::kMillisecond);

void BM_BackupEverything(benchmark::State& state) {
    database();  // made and filled once
    const fs::path archive = folder() / "backup.prg";
    testing::ScriptedPrompt prompt;
    Session session{DataFolder(folder())};
    session.openStore();
    for (auto _ : state) {
        BackupTracks(prompt, session, archive.string());
    }
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["archive_MB"] = static_cast<double>(fs::file_size(archive)) / 1e6;
    state.counters["peak_RSS_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}
BENCHMARK(BM_BackupEverything)->Unit(benchmark::kMillisecond)->Iterations(1);

// A database of the previous version gains the statistics of all its tracks: every point is
// read once.
void BM_FillStatistics(benchmark::State& state) {
    TrackDatabase& db = database();
    for (auto _ : state) {
        state.PauseTiming();
        db.execute("drop table if exists TKSTAT;");
        state.ResumeTiming();
        benchmark::DoNotOptimize(fillMissingStatistics(db));
    }
}
BENCHMARK(BM_FillStatistics)->Unit(benchmark::kMillisecond)->Iterations(1);

// The statistics view's month bars for a year, once the table is filled.
void BM_MonthTotalsOfAYear(benchmark::State& state) {
    TrackDatabase& db = database();
    fillMissingStatistics(db);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            totalsBy(readTotalsInputs(db, kFirstDay, kFirstDay + 365), TotalsPeriod::Month));
    }
}
BENCHMARK(BM_MonthTotalsOfAYear)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vandrel
