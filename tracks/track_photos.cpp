#include "tracks/track_photos.h"

#include <cctype>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <optional>
#include <system_error>

#include "core/ground_distance.h"
#include "core/units.h"
#include "flows/point_photos.h"
#include "map/map_bridge.h"
#include "ui/command_runner.h"
#include "ui/html_escape.h"
#include "ui/image_size.h"

namespace vandrel::tracks {
namespace fs = std::filesystem;
namespace {

std::string text(const char* format, std::initializer_list<std::string> values) {
    std::string out;
    auto value = values.begin();
    for (const char* c = format; *c != '\0'; ++c) {
        if (c[0] == '%' && c[1] == 's' && value != values.end()) {
            out += *value++;
            ++c;
        } else {
            out += *c;
        }
    }
    return out;
}

std::string percentEncoded(const std::string& name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

// The address the map page reads a photo by: "../photos/NAME" beside its own folder, which the
// program's scheme serves from the photos folder. Only a file directly in that folder has one
// (the scheme serves nothing else), whatever else a database made elsewhere names.
std::optional<std::string> photoAddress(const fs::path& photos, const fs::path& photo) {
    std::error_code ec;
    const fs::path folder = fs::weakly_canonical(photos, ec);
    if (ec || !photo.is_absolute() || !photo.has_filename()) {
        return std::nullopt;
    }
    const fs::path resolved = fs::weakly_canonical(photo, ec);
    if (ec || resolved.parent_path() != folder) {
        return std::nullopt;
    }
    return "../photos/" + percentEncoded(photo.filename().string());
}

}  // namespace

TrackPhotos::TrackPhotos(Session& session, Hooks hooks)
    : session_(session), hooks_(std::move(hooks)), stamps_(hooks_.clock) {}

TrackPoint* TrackPhotos::shownPoint(int index) const {
    TrackHeader* track = hooks_.shownTrack ? hooks_.shownTrack() : nullptr;
    if (track == nullptr || index < 0 || index >= static_cast<int>(track->points.size())) {
        return nullptr;
    }
    return &track->points[static_cast<std::size_t>(index)];
}

TrackPoint* TrackPhotos::infoPoint() const {
    TrackHeader* track = hooks_.shownTrack ? hooks_.shownTrack() : nullptr;
    return track != nullptr && track->objid == infoTrack_ ? shownPoint(infoPoint_) : nullptr;
}

void TrackPhotos::ShowPointInfo(float lat, float lng) {
    TrackHeader* track = hooks_.shownTrack ? hooks_.shownTrack() : nullptr;
    if (track == nullptr || track->points.empty()) {
        return;
    }
    int nearest = 0;
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < track->points.size(); ++i) {
        const TrackPoint& p = track->points[i];
        const double d = GroundDistance(lat, lng, p.lat, p.lng);
        if (d < best) {
            best = d;
            nearest = static_cast<int>(i);
        }
    }
    infoPoint_ = nearest;
    infoTrack_ = track->objid;
    const TrackPoint& p = track->points[static_cast<std::size_t>(nearest)];
    // The page hooks the element of class "addphoto" up to onaddphoto.
    const std::string html = text(
        "<table><tr><td valign='top'><font color='#333333'>Index: </font><font "
        "color='#6B6B6B'>%s  </font><font color='#333333'>Altitude:</font><font "
        "color='#6B6B6B'>%s</font><br/><font color='#333333'>Date: </font><font "
        "color='#6B6B6B'>%s</font><br/><font color='#333333'>Lat: </font><font "
        "color='#6B6B6B'>%s  </font><font color='#333333'>Lng: </font><font "
        "color='#6B6B6B'>%s</font><br/></td></tr><tr><td style=\"text-align:right;\"><a "
        "href=\"#\" class=\"addphoto\">%s</a></td></tr></table>",
        {std::to_string(nearest + 1), ui::escapeHtml(FormatAltitude(p.alt, session_.settings)),
         ui::escapeHtml(FormatDateTime(p.sdate, session_.settings)),
         ui::escapeHtml(FormatCoordinate(p.lat)), ui::escapeHtml(FormatCoordinate(p.lng)),
         p.pho.empty() ? "add photo" : "update photo"});
    const map::MapBridge bridge(hooks_.map ? hooks_.map() : nullptr);
    bridge.showInfo(p.lat, p.lng, html);
    bridge.showAnimationPoint(p.lat, p.lng);
}

void TrackPhotos::AttachPhoto() {
    if (hooks_.commands == nullptr || infoPoint() == nullptr) {
        return;
    }
    UserPrompt& prompt = hooks_.commands->prompt();
    const std::optional<std::string> chosen =
        prompt.chooseOpenFile({"JPG Files (*.jpg)", "*.jpg", "jpg"});
    // The dialogue may have let the day's list change under it.
    TrackPoint* point = infoPoint();
    if (!chosen || point == nullptr) {
        return;
    }
    const map::MapBridge bridge(hooks_.map ? hooks_.map() : nullptr);
    const Outcome attached = attachPhotoToPoint(prompt, session_, *point, fs::path(*chosen),
                                                stamps_, [&bridge] { bridge.closeInfo(); });
    if (attached.complete()) {
        bridge.addPhoto(infoPoint_, point->lat, point->lng, point->pho);
    }
}

void TrackPhotos::ShowPhoto(int index) {
    const TrackPoint* point = shownPoint(index);
    if (point == nullptr || point->pho.empty()) {
        return;
    }
    const std::string caption =
        "Lat: " + FormatCoordinate(point->lat) + "    " + "Lng: " + FormatCoordinate(point->lng);
    const fs::path photo(point->pho);
    const std::optional<std::string> address = photoAddress(session_.folder().photos(), photo);
    const std::optional<ui::ImageSize> size =
        address ? ui::readImageSize(photo) : std::optional<ui::ImageSize>();
    // A photo the page could not show either is said so, and can still be removed.
    std::string picture = "The photo cannot be read.";
    if (size) {
        const char* style = size->width < size->height ? "height:320px;" : "width:320px;";
        picture = text("<img src=\"%s\" style=\"%s\" />", {ui::escapeHtml(*address), style});
    }
    const std::string html = text(
        "<table style=\"font-size:12px;\"><tr><td colspan=2>%s</td></tr><tr><td>%s</td><td "
        "style=\"text-align:right;\"><a href=\"#\" class=\"removephoto\" "
        "data-index=\"%s\">remove</a></td></tr></table>",
        {picture, ui::escapeHtml(caption), std::to_string(index)});
    map::MapBridge(hooks_.map ? hooks_.map() : nullptr).showInfo(point->lat, point->lng, html);
}

void TrackPhotos::RemovePhoto(int index) {
    TrackPoint* point = shownPoint(index);
    if (point == nullptr) {
        return;
    }
    const map::MapBridge bridge(hooks_.map ? hooks_.map() : nullptr);
    bridge.closeInfo();
    bridge.delPhoto(index);
    if (point->pho.empty()) {
        return;
    }
    const Outcome removed = removePointPhoto(session_, *point);
    if (!removed.complete()) {
        bridge.addPhoto(index, point->lat, point->lng, point->pho);
        if (hooks_.commands != nullptr) {
            hooks_.commands->prompt().error(removed.error);
        }
    }
}

}  // namespace vandrel::tracks
