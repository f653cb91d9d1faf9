#include "exchange/kmz_export.h"

#include <minizip/zip.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/atomic_file.h"
#include "core/file_reading.h"
#include "core/program_path.h"
#include "exchange/kml_document.h"
#include "exchange/photo_files.h"
#include "exchange/xml_output.h"

namespace vandrel {

const char* const kKmzFilterDescription = "KMZ Files (*.kmz)";

namespace {

// The attributes a newly made file has where archives keep DOS attributes: "archive".
constexpr uLong kNewFileAttributes = 0x20;
constexpr size_t kChunk = 1 << 16;
// General purpose bit 11: the entry's name is UTF-8.
constexpr uLong kUtf8NameFlag = 1 << 11;
// zlib's default memory level, as minizip's plain open uses it.
constexpr int kMemoryLevel = 8;

zip_fileinfo entryInfo(const SystemTime& time) {
    zip_fileinfo info{};
    info.tmz_date.tm_sec = static_cast<uInt>(time.second);
    info.tmz_date.tm_min = static_cast<uInt>(time.minute);
    info.tmz_date.tm_hour = static_cast<uInt>(time.hour);
    info.tmz_date.tm_mday = static_cast<uInt>(time.day);
    info.tmz_date.tm_mon = static_cast<uInt>(time.month - 1);
    info.tmz_date.tm_year = static_cast<uInt>(time.year);
    info.dosDate = 0;
    info.internal_fa = 0;
    info.external_fa = kNewFileAttributes;
    return info;
}

class ZipWriter {
  public:
    ZipWriter(const std::filesystem::path& path, const SystemTime& time)
        : zip_(zipOpen64(path.c_str(), APPEND_STATUS_CREATE)), info_(entryInfo(time)) {}
    ~ZipWriter() {
        if (zip_ != nullptr) {
            zipClose(zip_, nullptr);
        }
    }
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    bool ok() const { return zip_ != nullptr && ok_; }

    void open(const std::string& name) {
        // Readers take a name without the UTF-8 flag in an old DOS code page.
        const uLong flags = std::all_of(name.begin(), name.end(),
                                        [](char c) { return static_cast<unsigned char>(c) < 0x80; })
                                ? 0
                                : kUtf8NameFlag;
        if (ok() &&
            zipOpenNewFileInZip4_64(zip_, name.c_str(), &info_, nullptr, 0, nullptr, 0, nullptr,
                                    Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, kMemoryLevel,
                                    Z_DEFAULT_STRATEGY, nullptr, 0, 0, flags, 0) != ZIP_OK) {
            ok_ = false;
        }
    }
    void write(const char* data, size_t size) {
        if (ok() && size > 0 &&
            zipWriteInFileInZip(zip_, data, static_cast<unsigned>(size)) != ZIP_OK) {
            ok_ = false;
        }
    }
    void close() {
        if (ok() && zipCloseFileInZip(zip_) != ZIP_OK) {
            ok_ = false;
        }
    }
    // Writes the central directory with an empty comment.
    bool finish() {
        if (zip_ == nullptr) {
            return false;
        }
        const int result = zipClose(zip_, nullptr);
        zip_ = nullptr;
        return ok_ && result == ZIP_OK;
    }

  private:
    zipFile zip_;
    zip_fileinfo info_;
    bool ok_ = true;
};

// Packs one file under files/; false when it could not be read (the entry stays, shorter).
bool packFile(ZipWriter& zip, const FileHandle& in, const std::string& name) {
    zip.open(name);
    bool read = false;
    if (in) {
        std::vector<char> buffer(kChunk);
        size_t n = 0;
        while (zip.ok() && (n = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0) {
            zip.write(buffer.data(), n);
        }
        read = std::feof(in.get()) != 0 && std::ferror(in.get()) == 0;
    }
    zip.close();
    return read;
}

// Only a plain file: a device or a pipe named by a stored path must not stall the export.
FileHandle openEntry(const KmzEntry& entry, const KmzOptions& options) {
    if (!entry.storedPhoto) {
        std::string error;
        return openRegularFile(entry.source, error);
    }
    const int fd = openStoredPhoto(options.photosFolder, entry.source.string());
    if (fd < 0) {
        return nullptr;
    }
    FileHandle in(::fdopen(fd, "rb"));
    if (!in) {
        ::close(fd);
    }
    return in;
}

}  // namespace

KmzOptions KmzOptions::programDefaults() {
    KmzOptions options;
    options.startIcon = programPath("images/s.png");
    options.endIcon = programPath("images/e.png");
    return options;
}

KmzResult exportKmz(const std::filesystem::path& path, const TrackHeader& track,
                    const KmzOptions& options) {
    KmzResult result;
    if (std::none_of(track.points.begin(), track.points.end(), hasFinitePosition)) {
        result.ok = false;
        result.error = "The track has no points to export";
        return result;
    }
    const KmlDocument kml = buildKml(track, options.startIcon, options.endIcon);
    AtomicFile file(path);
    if (!file.create(false, result.error)) {
        result.ok = false;
        return result;
    }
    errno = 0;
    ZipWriter zip(file.tempPath(), options.time.value_or(localTimeWithMilliseconds()));
    zip.open("doc.kml");
    zip.write(kml.text.data(), kml.text.size());
    zip.close();
    zip.open("files/");
    zip.close();
    for (const KmzEntry& entry : kml.files) {
        if (!packFile(zip, openEntry(entry, options), entry.name)) {
            ++result.filesMissing;
        }
    }
    if (!zip.finish()) {
        result.ok = false;
        result.error = cannotWrite(
            path, errno != 0 ? std::strerror(errno) : "the zip archive could not be written");
        return result;
    }
    if (!file.commit(result.error)) {
        result.ok = false;
    }
    return result;
}

}  // namespace vandrel
