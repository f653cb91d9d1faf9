// GPX 1.0 and 1.1 tracks as the logger would have logged them. The two versions differ in
// their namespace but not in trk/trkseg/trkpt, ele and time, so elements are matched by their
// local name whatever their prefix.

#include <tinyxml2.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "core/file_reading.h"
#include "tools/sim/logger_image.h"

namespace vandrel::sim {

namespace {

std::string_view localName(const tinyxml2::XMLElement* element) {
    std::string_view name = element->Name();
    const size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

const tinyxml2::XMLElement* child(const tinyxml2::XMLElement* parent, std::string_view name) {
    for (auto* e = parent->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
        if (localName(e) == name) {
            return e;
        }
    }
    return nullptr;
}

// The first element of that name below `parent`, at any depth (extensions nest it).
const tinyxml2::XMLElement* descendant(const tinyxml2::XMLElement* parent, std::string_view name) {
    for (auto* e = parent->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
        if (localName(e) == name) {
            return e;
        }
        if (auto* found = descendant(e, name)) {
            return found;
        }
    }
    return nullptr;
}

std::optional<double> number(const tinyxml2::XMLElement* element) {
    if (element == nullptr || element->GetText() == nullptr) {
        return std::nullopt;
    }
    const char* text = element->GetText();
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    while (end != nullptr && (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r')) {
        ++end;
    }
    if (end == text || *end != '\0' || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

struct Skipped {
    size_t noPosition = 0;
    size_t noTime = 0;
};

// One trkpt as a fix; nothing when its position or time is missing or unusable.
std::optional<SimFix> readPoint(const tinyxml2::XMLElement* point, int16_t tzOffset,
                                Skipped& skipped) {
    const char* lat = point->Attribute("lat");
    const char* lon = point->Attribute("lon");
    // A missing attribute reads as an empty one, which is no number.
    const auto latitude = parseMicroDegrees(lat != nullptr ? lat : "");
    const auto longitude = parseMicroDegrees(lon != nullptr ? lon : "");
    if (!latitude || !longitude || std::abs(*latitude) > 90000000 ||
        std::abs(*longitude) > 180000000) {
        ++skipped.noPosition;
        return std::nullopt;
    }
    const tinyxml2::XMLElement* timeElement = child(point, "time");
    const auto time =
        timeElement && timeElement->GetText() ? parseIsoTime(timeElement->GetText()) : std::nullopt;
    // The logger's time is an unsigned 32-bit count of seconds from 1970.
    if (!time || time->seconds < 0 || time->seconds > std::numeric_limits<uint32_t>::max()) {
        ++skipped.noTime;
        return std::nullopt;
    }
    SimFix fix;
    fix.latitude = *latitude;
    fix.longitude = *longitude;
    fix.time = static_cast<uint32_t>(time->seconds);
    fix.offset = tzOffset;
    const auto elevation = number(child(point, "ele"));
    fix.altitudeFeet = feetFromMetres(elevation.value_or(0.0));
    fix.pressure = standardPressure(elevation.value_or(0.0));
    const tinyxml2::XMLElement* extensions = child(point, "extensions");
    const auto temperature = extensions ? number(descendant(extensions, "atemp")) : std::nullopt;
    fix.temperature = static_cast<float>(temperature.value_or(20.0));
    return fix;
}

SimTrack readTrack(const tinyxml2::XMLElement* trk, int16_t tzOffset, Skipped& skipped) {
    SimTrack track;
    for (auto* seg = trk->FirstChildElement(); seg != nullptr; seg = seg->NextSiblingElement()) {
        if (localName(seg) != "trkseg") {
            continue;
        }
        for (auto* pt = seg->FirstChildElement(); pt != nullptr; pt = pt->NextSiblingElement()) {
            if (localName(pt) != "trkpt") {
                continue;
            }
            if (auto fix = readPoint(pt, tzOffset, skipped)) {
                track.fixes.push_back(*fix);
            }
        }
    }
    return track;
}

}  // namespace

std::vector<SimTrack> readGpxTracks(const std::filesystem::path& path, int16_t tzOffset,
                                    std::string& error, std::vector<std::string>& warnings) {
    const FileHandle file = openRegularFile(path, error);
    if (file == nullptr) {
        return {};
    }
    tinyxml2::XMLDocument document;
    if (document.LoadFile(file.get()) != tinyxml2::XML_SUCCESS) {
        error = "cannot read " + path.string() + ": " + document.ErrorStr();
        return {};
    }
    const tinyxml2::XMLElement* root = document.RootElement();
    if (root == nullptr || localName(root) != "gpx") {
        error = path.string() + " is not a GPX file (its root element is not gpx)";
        return {};
    }
    std::vector<SimTrack> tracks;
    Skipped skipped;
    int trkNumber = 0;
    for (auto* trk = root->FirstChildElement(); trk != nullptr; trk = trk->NextSiblingElement()) {
        if (localName(trk) != "trk") {
            continue;
        }
        ++trkNumber;
        SimTrack track = readTrack(trk, tzOffset, skipped);
        if (track.fixes.empty()) {
            warnings.push_back(path.string() + ": trk " + std::to_string(trkNumber) +
                               " has no point with a position and a time; left out");
            continue;
        }
        tracks.push_back(std::move(track));
    }
    if (skipped.noPosition + skipped.noTime > 0) {
        warnings.push_back(path.string() + ": " +
                           std::to_string(skipped.noPosition + skipped.noTime) +
                           " track points left out (" + std::to_string(skipped.noPosition) +
                           " without a usable lat/lon, " + std::to_string(skipped.noTime) +
                           " without a usable time)");
    }
    return tracks;
}

std::vector<SimTrack> readGpxTracks(const std::filesystem::path& path, int16_t tzOffset,
                                    std::string& error) {
    std::vector<std::string> warnings;
    return readGpxTracks(path, tzOffset, error, warnings);
}

}  // namespace vandrel::sim
