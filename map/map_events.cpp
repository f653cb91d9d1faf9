#include "map/map_events.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "ui/messages.h"
#include "ui/window.h"

namespace vandrel::map {
namespace {

const std::string& argAt(const ScriptArgs& args, std::size_t index) {
    static const std::string none;
    return index < args.size() ? args[index] : none;
}

double numberArg(const ScriptArgs& args, std::size_t index) {
    const std::string& text = argAt(args, index);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    return ec == std::errc() && std::isfinite(value) ? value : 0;
}

// What a pointer-sized address of a float pair becomes in lParam.
std::intptr_t addressOf(const MapPosition& position) {
    return reinterpret_cast<std::intptr_t>(&position);
}

}  // namespace

float positionArg(const ScriptArgs& args, std::size_t index) {
    return static_cast<float>(numberArg(args, index));
}

int markerIndexArg(const ScriptArgs& args, std::size_t index) {
    // Leading blanks, a sign and the digits up to the first other character, as the C library's
    // decimal conversion reads them.
    const std::string& text = argAt(args, index);
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t{INT32_MAX} + 1);
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

int shortArg(const ScriptArgs& args, std::size_t index) {
    const double value = numberArg(args, index);
    // Integers beyond 64 bits have no meaningful low word; they read as 0.
    if (!(std::fabs(value) < 9.2e18)) {
        return 0;
    }
    const auto whole = static_cast<int64_t>(value);
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(whole) & 0xFFFF));
}

void MapEventHandler::onmapsource(const ScriptArgs& args) {
    if (sourceChosen && !args.empty()) {
        sourceChosen(args[0]);
    }
}

void MapEventHandler::setWindow(ui::Window* window) {
    window_ = window;
    alive_ = window != nullptr ? window->aliveToken() : std::weak_ptr<bool>();
}

void MapEventHandler::post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) const {
    if (window_ != nullptr && !alive_.expired()) {
        window_->post(message, wParam, lParam);
    }
}

void PoiMapEvents::onmaploadcomplete(const ScriptArgs&) {
    post(ui::MSG_MAP_LOADED);
}

void PoiMapEvents::onwpmarkerclick(const ScriptArgs& args) {
    if (markerClicked) {
        markerClicked(markerIndexArg(args, 0));
    }
}

void PoiMapEvents::onwpmarkerrclick(const ScriptArgs& args) {
    if (markerRightClicked) {
        markerRightClicked(markerIndexArg(args, 0), shortArg(args, 1), shortArg(args, 2));
    }
}

void PoiMapEvents::onwpmarkerupdate(const ScriptArgs& args) {
    if (markerMoved) {
        markerMoved(markerIndexArg(args, 0), positionArg(args, 1), positionArg(args, 2));
    }
}

void PoiMapEvents::onfind(const ScriptArgs& args) {
    found_ = {positionArg(args, 0), positionArg(args, 1)};
    post(ui::MSG_MAP_FOUND, 0, addressOf(found_));
}

void PoiMapEvents::onrclickevent(const ScriptArgs& args) {
    if (mapRightClicked) {
        mapRightClicked(positionArg(args, 0), positionArg(args, 1), shortArg(args, 2),
                        shortArg(args, 3));
    }
}

void TrackMapEvents::onmaploadcomplete(const ScriptArgs&) {
    post(ui::MSG_MAP_LOADED);
}

void TrackMapEvents::onlineclick(const ScriptArgs& args) {
    lineClick_ = {positionArg(args, 0), positionArg(args, 1)};
    post(ui::MSG_TRACK_LINE_CLICK, 0, addressOf(lineClick_));
}

void TrackMapEvents::onaddphoto(const ScriptArgs&) {
    post(ui::MSG_ADD_PHOTO);
}

void TrackMapEvents::onphotolick(const ScriptArgs& args) {
    post(ui::MSG_PHOTO_CLICK, static_cast<std::uintptr_t>(markerIndexArg(args, 0)));
}

void TrackMapEvents::onremovephoto(const ScriptArgs& args) {
    post(ui::MSG_REMOVE_PHOTO, static_cast<std::uintptr_t>(shortArg(args, 0)));
}

}  // namespace vandrel::map
