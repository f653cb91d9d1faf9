#include "flows/attached_photos.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <optional>
#include <string>

#include "core/file_reading.h"
#include "exchange/photo_files.h"
#include "exchange/photo_metadata.h"

namespace vandrel {
namespace fs = std::filesystem;
namespace {

// Where a JPEG's compressed picture starts (its first start-of-scan marker), or -1 for a file
// that is no JPEG. The segments before it hold the metadata that writing GPS tags changes.
long jpegScanStart(std::FILE* file) {
    std::rewind(file);
    if (std::fgetc(file) != 0xFF || std::fgetc(file) != 0xD8) {
        return -1;
    }
    for (int segments = 0; segments < 1000; ++segments) {
        int marker = std::fgetc(file);
        if (marker != 0xFF) {
            return -1;
        }
        while (marker == 0xFF) {
            marker = std::fgetc(file);
        }
        if (marker == 0xDA) {
            return std::ftell(file) - 2;
        }
        if (marker == EOF || marker == 0xD9) {
            return -1;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            continue;  // markers without a length
        }
        const int high = std::fgetc(file);
        const int low = std::fgetc(file);
        const long length = (static_cast<long>(high) << 8) | low;
        if (high == EOF || low == EOF || length < 2 ||
            std::fseek(file, length - 2, SEEK_CUR) != 0) {
            return -1;
        }
    }
    return -1;
}

// A file as compared: its bytes from `from` on are the picture, all of it for a file that is
// no JPEG.
struct Picture {
    FileHandle file;
    long from = 0;
    long length = -1;
};

// The same picture taken at the same moment: synthetic or edited files may share their
// compressed data, a camera's two shots never share both.
bool sameShot(const PhotoFile& photo, const fs::path& copy) {
    const PhotoCapture taken = readCaptureTime(copy);
    return taken.status == photo.capture.status && taken.time == photo.capture.time;
}

Picture pictureOf(FileHandle file) {
    Picture picture;
    struct stat status {};
    if (file == nullptr || ::fstat(::fileno(file.get()), &status) != 0) {
        return picture;
    }
    const long scan = jpegScanStart(file.get());
    picture.from = scan > 0 ? scan : 0;
    picture.length = static_cast<long>(status.st_size) - picture.from;
    picture.file = std::move(file);
    return picture;
}

bool samePicture(const Picture& a, const Picture& b) {
    if (a.length < 0 || a.length != b.length || std::fseek(a.file.get(), a.from, SEEK_SET) != 0 ||
        std::fseek(b.file.get(), b.from, SEEK_SET) != 0) {
        return false;
    }
    std::array<char, 64 * 1024> left{};
    std::array<char, 64 * 1024> right{};
    for (;;) {
        const size_t n = std::fread(left.data(), 1, left.size(), a.file.get());
        if (std::fread(right.data(), 1, right.size(), b.file.get()) != n ||
            std::char_traits<char>::compare(left.data(), right.data(), n) != 0) {
            return false;
        }
        if (n < left.size()) {
            return std::ferror(a.file.get()) == 0 && std::ferror(b.file.get()) == 0;
        }
    }
}

FileHandle openStored(const fs::path& photosFolder, const std::string& pho) {
    const int fd = openStoredPhoto(photosFolder, pho);
    FileHandle file(fd >= 0 ? ::fdopen(fd, "rb") : nullptr);
    if (fd >= 0 && file == nullptr) {
        ::close(fd);
    }
    return file;
}

}  // namespace

void markAttachedPhotos(const fs::path& photosFolder, const TrackHeader& track,
                        std::vector<PhotoFile>& photos) {
    // Each copy's picture length, read once; a copy is opened again only to be compared with a
    // chosen photo of that length, so that a track of thousands of photos holds no more files
    // open than two.
    std::vector<std::pair<std::size_t, long>> copies;
    for (std::size_t i = 0; i < track.points.size(); ++i) {
        if (!track.points[i].pho.empty()) {
            const Picture copy = pictureOf(openStored(photosFolder, track.points[i].pho));
            if (copy.length >= 0) {
                copies.emplace_back(i, copy.length);
            }
        }
    }
    if (copies.empty()) {
        return;
    }
    for (PhotoFile& photo : photos) {
        std::string error;
        const Picture chosen = pictureOf(openRegularFile(photo.path, error));
        for (const auto& [point, length] : copies) {
            const std::string& pho = track.points[point].pho;
            if (length == chosen.length &&
                samePicture(chosen, pictureOf(openStored(photosFolder, pho))) &&
                (chosen.from == 0 || sameShot(photo, photosFolder / photoFileName(pho)))) {
                photo.capture.attachedAt = point;
                break;
            }
        }
    }
}

}  // namespace vandrel
