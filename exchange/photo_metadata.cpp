#include "exchange/photo_metadata.h"

#include <exiv2/exiv2.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "core/file_reading.h"
#include "core/ole_date.h"
#include "core/track_times.h"

namespace vandrel {
namespace {

// The library prints its warnings on stderr and reads HEIF only when asked; both are settings
// of the whole library, made once.
void prepareLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
#ifdef EXV_ENABLE_BMFF
        Exiv2::enableBMFF(true);
#endif
    });
}

// "YYYY:MM:DD HH:MM:SS" as an OLE date.
bool parseExifTime(const std::string& text, double& out) {
    SystemTime st;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d:%2d:%2d %2d:%2d:%2d%c", &st.year, &st.month, &st.day,
                    &st.hour, &st.minute, &st.second, &tail) != 6) {
        return false;
    }
    return SystemTimeToVariantTime(st, out);
}

// "+HH:MM" or "-HH:MM" as minutes.
std::optional<int> parseExifOffset(const std::string& text) {
    char sign = 0;
    int hours = 0;
    int minutes = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%c%2d:%2d%c", &sign, &hours, &minutes, &tail) != 3 ||
        (sign != '+' && sign != '-') || minutes >= 60 ||
        hours * 60 + minutes > kMostUtcOffsetMinutes) {
        return std::nullopt;
    }
    return (sign == '-' ? -1 : 1) * (hours * 60 + minutes);
}

std::string tagText(const Exiv2::ExifData& exif, const char* key) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() ? std::string() : it->toString();
}

// Degrees as the three rationals of a GPS coordinate: degrees, minutes, seconds to 1/1000.
std::string degreesMinutesSeconds(double degrees) {
    const auto thousandths = static_cast<int64_t>(std::llround(std::fabs(degrees) * 3600000.0));
    char text[64];
    std::snprintf(text, sizeof text, "%lld/1 %lld/1 %lld/1000",
                  static_cast<long long>(thousandths / 3600000),
                  static_cast<long long>(thousandths / 60000 % 60),
                  static_cast<long long>(thousandths % 60000));
    return text;
}

// Each tag's text is read as the tag's own type (bytes, rationals, ASCII).
void setGpsTags(Exiv2::ExifData& exif, const GpsPosition& position) {
    exif["Exif.GPSInfo.GPSVersionID"] = std::string("2 3 0 0");
    exif["Exif.GPSInfo.GPSLatitudeRef"] = std::string(position.latitude < 0 ? "S" : "N");
    exif["Exif.GPSInfo.GPSLatitude"] = degreesMinutesSeconds(position.latitude);
    exif["Exif.GPSInfo.GPSLongitudeRef"] = std::string(position.longitude < 0 ? "W" : "E");
    exif["Exif.GPSInfo.GPSLongitude"] = degreesMinutesSeconds(position.longitude);
    // A point without an altitude gives the photo none, not 0 m.
    if (std::isfinite(position.altitude)) {
        exif["Exif.GPSInfo.GPSAltitudeRef"] = std::string(position.altitude < 0 ? "1" : "0");
        exif["Exif.GPSInfo.GPSAltitude"] =
            std::to_string(std::llround(std::fabs(position.altitude) * 100)) + "/100";
    }
    SystemTime st;
    if (VariantTimeToSystemTime(oleDateFromUnixSeconds(position.utcSeconds), st)) {
        char text[32];
        std::snprintf(text, sizeof text, "%d/1 %d/1 %d/1", st.hour, st.minute, st.second);
        exif["Exif.GPSInfo.GPSTimeStamp"] = std::string(text);
        std::snprintf(text, sizeof text, "%04d:%02d:%02d", st.year, st.month, st.day);
        exif["Exif.GPSInfo.GPSDateStamp"] = std::string(text);
    }
}

}  // namespace

PhotoCapture readCaptureTime(const std::filesystem::path& file) {
    prepareLibrary();
    PhotoCapture capture;
    // Opened without blocking first: the library's own open of a FIFO would wait for ever.
    std::string error;
    if (openRegularFile(file, error) == nullptr) {
        capture.status = CaptureStatus::Unreadable;
        capture.problem = error.substr(cannotRead(file, "").size());  // the line names the file
        return capture;
    }
    // The library throws for some files too short to be of any format it knows.
    try {
        if (Exiv2::ImageFactory::getType(file.string()) == Exiv2::ImageType::none) {
            capture.status = CaptureStatus::NotImage;
            return capture;
        }
    } catch (const Exiv2::AnyError&) {
        capture.status = CaptureStatus::NotImage;
        return capture;
    }
    try {
        auto image = Exiv2::ImageFactory::open(file.string());
        image->readMetadata();
        const Exiv2::ExifData& exif = image->exifData();
        if (!parseExifTime(tagText(exif, "Exif.Photo.DateTimeOriginal"), capture.time)) {
            capture.status = CaptureStatus::NoCaptureTime;
            return capture;
        }
        capture.status = CaptureStatus::Found;
        capture.utcOffsetMinutes = parseExifOffset(tagText(exif, "Exif.Photo.OffsetTimeOriginal"));
    } catch (const Exiv2::AnyError& e) {
        capture.status = CaptureStatus::Unreadable;
        capture.problem = e.what();
    }
    return capture;
}

std::string readEmbeddedPreview(const std::filesystem::path& file) {
    prepareLibrary();
    try {
        auto image = Exiv2::ImageFactory::open(file.string());
        image->readMetadata();
        const Exiv2::ExifThumbC thumbnail(image->exifData());
        const Exiv2::DataBuf data = thumbnail.copy();
        if (data.size_ <= 0 || data.pData_ == nullptr) {
            return {};
        }
        return std::string(reinterpret_cast<const char*>(data.pData_),
                           static_cast<std::size_t>(data.size_));
    } catch (const Exiv2::AnyError&) {
        return {};
    }
}

std::string writeGpsPosition(const std::filesystem::path& file, const GpsPosition& position) {
    prepareLibrary();
    try {
        auto image = Exiv2::ImageFactory::open(file.string());
        image->readMetadata();
        setGpsTags(image->exifData(), position);
        image->writeMetadata();
    } catch (const Exiv2::AnyError& e) {
        return "Writing the position into " + file.string() + " failed: " + e.what();
    }
    return {};
}

}  // namespace vandrel
