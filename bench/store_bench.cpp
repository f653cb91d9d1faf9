// Storing a full downloaded log into a fresh database, and reading one track's points back
// from a database holding many.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/program_path.h"
#include "device/log_layout.h"
#include "flows/download_device_logs.h"
#include "store/sqlite_db.h"
#include "tools/sim/logger_image.h"

namespace vandrel {
namespace {

constexpr int64_t kStartUnix = 1714557600;  // 2024-05-01 10:00:00 UTC
constexpr int kTracks = 20;

// A folder of its own under the system's temporary folder, removed afterwards.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern = std::filesystem::temp_directory_path() / "vandrel-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

void writeBytes(const std::filesystem::path& path, const uint8_t* bytes, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
}

// A log filling all 998 chunks with whole chunks of fixes (49,900), copied into "temp.hdr" and
// "temp.log" in folder as the download leaves them.
void writeFullLog(const std::filesystem::path& folder) {
    std::vector<int> points = sim::pointsToFillLog(kTracks);
    for (int& count : points) {
        const int perChunk = log_layout::kRecordsPerChunk;
        count = (count + perChunk - 1) / perChunk * perChunk;
    }
    sim::LoggerImage image(sim::kMinBlocks);
    image.writeLog(sim::generateTracks(points, kStartUnix, 5, 120), 1, 0);
    const uint8_t* volume = image.bytes().data();
    writeBytes(folder / "temp.hdr", volume + log_layout::kIndexVolumeOffset,
               log_layout::kHeaderFileSize);
    writeBytes(folder / "temp.log", volume + log_layout::kDataVolumeOffset,
               log_layout::kLogFileSize);
}

void BM_StoreFullLog(benchmark::State& state) {
    TempFolder dir;
    writeFullLog(dir.path());
    const std::filesystem::path database = dir.path() / "Vandrel.db";
    int64_t points = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(database);
        state.ResumeTiming();
        Session session{DataFolder(dir.path())};
        session.openStore();
        points = storeDownloadedTracks(session, 0).pointsStored;
        session.closeStore();
    }
    state.counters["points"] = static_cast<double>(points);
    state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(BM_StoreFullLog)->Unit(benchmark::kMillisecond);

// 200 tracks of 1000 points each; every iteration reads the points of one track in the middle.
void BM_ReadTrackPoints(benchmark::State& state) {
    TempFolder dir;
    TrackDatabase db;
    db.openStore(dir.path() / "Vandrel.db");
    db.beginTransaction();
    for (int t = 0; t < 200; ++t) {
        TrackHeader header;
        header.stime = 45413.0 + t;
        db.insertTrack(header);
        for (int i = 0; i < 1000; ++i) {
            TrackPoint point;
            point.tkid = header.objid;
            point.sdate = header.stime + i / 86400.0;
            point.lat = 47.0f + static_cast<float>(i) * 1e-4f;
            point.lng = 8.0f;
            db.insertPoint(point);
        }
    }
    db.commitTransaction();
    size_t read = 0;
    for (auto _ : state) {
        std::vector<TrackHeader> tracks = db.readTracksBetween(45513.0, 45514.0);
        read = tracks.empty() ? 0 : tracks.front().points.size();
        benchmark::DoNotOptimize(tracks.data());
    }
    state.counters["points"] = static_cast<double>(read);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(read));
}
BENCHMARK(BM_ReadTrackPoints)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vandrel
