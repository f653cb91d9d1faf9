// Photos placed by time: reading the capture times of a day's 500 photos of 3 MB each (made in
// a temporary folder: a JPEG tagged by the exiv2 tool, its entropy data padded), and matching
// 500 photos against a full log's track of 49,900 points.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "flows/photos_by_time.h"
#include "jpeg_file.h"

namespace vandrel {
namespace {

constexpr int kPhotos = 500;
constexpr std::size_t kPhotoBytes = 3 << 20;
constexpr int kPoints = 49'900;

std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// 500 photos taken a minute apart from 2026-05-01 06:00, each 3 MB with a camera's 160 x 120
// preview embedded, and the one they were made from, in a temporary folder removed afterwards.
class DayOfPhotos {
  public:
    DayOfPhotos() {
        std::string pattern = std::filesystem::temp_directory_path() / "vandrel-photos-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            return;
        }
        dir_ = pattern;
        const std::filesystem::path seed = dir_ / "seed.jpg";
        writeBytes(seed, testing::greyJpeg(640, 480));
        writeBytes(dir_ / "seed-thumb.jpg", testing::greyJpeg(160, 120));
        if (std::system(
                ("exiv2 -M'set Exif.Photo.DateTimeOriginal 2026:05:01 06:00:00' " + seed.string())
                    .c_str()) != 0 ||
            std::system(("exiv2 -it " + seed.string()).c_str()) != 0) {
            return;
        }
        std::filesystem::remove(dir_ / "seed-thumb.jpg");
        // The padding goes before the end-of-image marker, inside the image data.
        std::string bytes = readBytes(seed);
        bytes.insert(bytes.size() - 2, std::string(kPhotoBytes - bytes.size(), '\x55'));
        const std::size_t stamp = bytes.find("2026:05:01 06:00:00");
        for (int i = 0; i < kPhotos; ++i) {
            char time[20];
            std::snprintf(time, sizeof time, "2026:05:01 %02d:%02d:00", 6 + i / 60, i % 60);
            bytes.replace(stamp, 19, time);
            char name[32];
            std::snprintf(name, sizeof name, "IMG_%04d.JPG", i);
            writeBytes(dir_ / name, bytes);
        }
    }
    ~DayOfPhotos() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    DayOfPhotos(const DayOfPhotos&) = delete;
    DayOfPhotos& operator=(const DayOfPhotos&) = delete;
    const std::filesystem::path& path() const { return dir_; }

  private:
    std::filesystem::path dir_;
};

void BM_ReadCaptureTimes500Photos(benchmark::State& state) {
    const DayOfPhotos day;
    const std::vector<std::filesystem::path> files = gatherPhotoFiles({day.path()});
    for (auto _ : state) {
        const std::vector<PhotoFile> photos = readPhotoFiles(files);
        if (photos.size() != kPhotos + 1 || photos.back().capture.status != CaptureStatus::Found) {
            state.SkipWithError("the photos were not made (is exiv2 installed?)");
            break;
        }
        benchmark::DoNotOptimize(photos.data());
    }
}
BENCHMARK(BM_ReadCaptureTimes500Photos)->Unit(benchmark::kMillisecond);

// What the desktop's preview reads for its thumbnails: the embedded preview of each photo.
void BM_ReadEmbeddedPreviews500Photos(benchmark::State& state) {
    const DayOfPhotos day;
    const std::vector<std::filesystem::path> files = gatherPhotoFiles({day.path()});
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const std::filesystem::path& file : files) {
            bytes += embeddedPhotoPreview(file).size();
        }
        if (files.size() != kPhotos + 1 || bytes == 0) {
            state.SkipWithError("the photos were not made (is exiv2 installed?)");
            break;
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ReadEmbeddedPreviews500Photos)->Unit(benchmark::kMillisecond);

void BM_Match500PhotosOnAFullLog(benchmark::State& state) {
    TrackHeader track;
    const double start = 46143.25;  // 2026-05-01 06:00
    for (int i = 0; i < kPoints; ++i) {
        TrackPoint point;
        point.sdate = start + i * 5.0 / 86400.0;
        track.points.push_back(point);
    }
    std::vector<PhotoCapture> photos(kPhotos);
    for (int i = 0; i < kPhotos; ++i) {
        photos[i].status = CaptureStatus::Found;
        // Several photos a minute, as in a burst, so that some share a point.
        photos[i].time = start + (i * 137 % 3000) * 60.0 / 86400.0 + (i % 3) / 86400.0;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(matchPhotos(photos, track, {}).data());
    }
}
BENCHMARK(BM_Match500PhotosOnAFullLog)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vandrel
