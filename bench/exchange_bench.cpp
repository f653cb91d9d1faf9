// File exchange of one full log's worth of points (49,900, the most the logger holds): GPX and
// KMZ export including reading the track from the database, and loading a PC archive into an
// empty database. bench/exchange_vs_gpsbabel.sh compares the whole programs with gpsbabel.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/user_prompt.h"
#include "exchange/gpx_export.h"
#include "exchange/kmz_export.h"
#include "exchange/track_archive.h"
#include "flows/exchange_flows.h"
#include "store/track_summary.h"

namespace vandrel {
namespace {

constexpr int kPoints = 49'900;

class ExchangeFolder {
  public:
    ExchangeFolder() {
        std::string pattern = std::filesystem::temp_directory_path() / "vandrel-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~ExchangeFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ExchangeFolder(const ExchangeFolder&) = delete;
    ExchangeFolder& operator=(const ExchangeFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

class SilentPrompt : public UserPrompt {
  public:
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void notice(const std::string&, const std::string&) override {}
    void error(const std::string&) override {}
    OverwriteAnswer askOverwrite(const std::string&, const std::string&) override {
        return OverwriteAnswer::AlwaysOverwrite;
    }
    std::optional<std::string> chooseOpenFile(const FileFilter&) override { return {}; }
    std::optional<std::string> chooseSaveFile(const FileFilter&) override { return {}; }
    void beginBusy() override {}
    void endBusy() override {}
};

// A walk of kPoints fixes 3 s apart, about 8 m a step, with changing height and weather.
TrackHeader walk() {
    TrackHeader track;
    track.tzome = -120;
    track.trail = 1;
    const double start = 45413.4;  // 2024-05-01 09:36
    double lat = 46.5;
    double lng = 7.25;
    for (int i = 0; i < kPoints; ++i) {
        TrackPoint p;
        const double heading = 0.001 * i + std::sin(i * 0.05);
        lat += 0.00007 * std::cos(heading);
        lng += 0.0001 * std::sin(heading);
        p.lat = static_cast<float>(lat);
        p.lng = static_cast<float>(lng);
        p.sdate = start + i * 3.0 / 86400;
        p.alt = static_cast<float>(800 + 300 * std::sin(i * 0.001));
        p.bar = static_cast<float>(920 - 30 * std::sin(i * 0.001));
        p.tmp = static_cast<float>(12 + 5 * std::sin(i * 0.0002));
        track.points.push_back(p);
    }
    computeSummary(track);
    return track;
}

// A database holding the walk, as a download leaves it.
struct StoredWalk {
    ExchangeFolder folder;
    TrackDatabase db;
    int objid = 0;
    KmzOptions kmz;

    StoredWalk() {
        db.openStore(folder.path() / "Vandrel.db");
        TrackHeader track = walk();
        db.beginTransaction();
        db.insertTrack(track);
        for (TrackPoint& p : track.points) {
            p.tkid = track.objid;
            db.insertPoint(p);
        }
        db.commitTransaction();
        objid = track.objid;
        std::ofstream(folder.path() / "s.png") << std::string(600, 's');
        std::ofstream(folder.path() / "e.png") << std::string(550, 'e');
        kmz.startIcon = folder.path() / "s.png";
        kmz.endIcon = folder.path() / "e.png";
    }
};

void BM_GpxExportFromDatabase(benchmark::State& state) {
    StoredWalk stored;
    const auto out = stored.folder.path() / "out.gpx";
    for (auto _ : state) {
        const std::optional<TrackHeader> track = readStoredTrack(stored.db, stored.objid);
        benchmark::DoNotOptimize(exportGpx(out, *track).ok);
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_GpxExportFromDatabase)->Unit(benchmark::kMillisecond);

void BM_KmzExportFromDatabase(benchmark::State& state) {
    StoredWalk stored;
    const auto out = stored.folder.path() / "out.kmz";
    for (auto _ : state) {
        const std::optional<TrackHeader> track = readStoredTrack(stored.db, stored.objid);
        benchmark::DoNotOptimize(exportKmz(out, *track, stored.kmz).ok);
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_KmzExportFromDatabase)->Unit(benchmark::kMillisecond);

void BM_ArchiveSaveFromDatabase(benchmark::State& state) {
    StoredWalk stored;
    const auto out = stored.folder.path() / "out.prg";
    for (auto _ : state) {
        benchmark::DoNotOptimize(saveStoredTracks(out, stored.db, readStoredHeaders(stored.db),
                                                  stored.folder.path() / "photos")
                                     .ok);
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_ArchiveSaveFromDatabase)->Unit(benchmark::kMillisecond);

// Each round loads into a database made empty beforehand (outside the timing).
void BM_ArchiveLoadIntoEmptyDatabase(benchmark::State& state) {
    ExchangeFolder folder;
    const auto archive = folder.path() / "walk.prg";
    saveArchive(archive, {walk()}, folder.path() / "photos");
    SilentPrompt prompt;
    ArchiveLoadOptions options;
    options.photosFolder = folder.path() / "photos";
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const auto dbPath = folder.path() / ("Vandrel" + std::to_string(round++) + ".db");
        auto db = std::make_unique<TrackDatabase>();
        db->openStore(dbPath);
        state.ResumeTiming();
        benchmark::DoNotOptimize(loadArchive(archive, *db, prompt, options).stored);
        state.PauseTiming();
        db.reset();
        std::filesystem::remove(dbPath);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_ArchiveLoadIntoEmptyDatabase)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vandrel
