#include "exchange/kml_line.h"

#include <cmath>
#include <limits>
#include <optional>

#include "core/ground_distance.h"
#include "core/number_text.h"

namespace vandrel {

namespace {

// Three numbers of up to 25 characters each and their commas; a tuple any longer is no place.
constexpr size_t kMostTupleBytes = 80;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::optional<double> finiteNumber(std::string_view text) {
    const std::optional<double> value = parseNumber<double>(text);
    if (!value || !std::isfinite(*value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

void LineCoordinates::add(std::string_view piece) {
    for (const char c : piece) {
        if (isBlank(c)) {
            endTuple();
        } else if (tuple_.size() < kMostTupleBytes) {
            tuple_ += c;
        } else {
            tooLong_ = true;
        }
    }
}

void LineCoordinates::finish() {
    endTuple();
}

// lon "," lat ("," alt)?
void LineCoordinates::endTuple() {
    if (tuple_.empty() && !tooLong_) {
        return;
    }
    std::optional<double> numbers[3];
    std::string_view rest = tuple_;
    size_t count = 0;
    bool valid = !tooLong_;
    while (valid && count < 3) {
        const size_t comma = rest.find(',');
        numbers[count++] = finiteNumber(rest.substr(0, comma));
        valid = numbers[count - 1].has_value();
        if (comma == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(comma + 1);
        valid = valid && count < 3;
    }
    tuple_.clear();
    tooLong_ = false;
    if (!valid || count < 2 || std::fabs(*numbers[0]) > 180.0 || std::fabs(*numbers[1]) > 90.0 ||
        (count == 3 && std::fabs(*numbers[2]) > 1e6)) {
        ++withoutPlace_;
        return;
    }
    // Left empty, as a GPX point without them leaves them.
    constexpr float kEmpty = std::numeric_limits<float>::quiet_NaN();
    TrackPoint point;
    point.lng = static_cast<float>(*numbers[0]);
    point.lat = static_cast<float>(*numbers[1]);
    point.alt = count == 3 ? static_cast<float>(*numbers[2]) : kEmpty;
    point.bar = kEmpty;
    point.tmp = kEmpty;
    points_.push_back(std::move(point));
}

void spreadTimes(std::vector<TrackPoint>& points, double beginUtc, double endUtc) {
    if (points.empty()) {
        return;
    }
    std::vector<double> along(points.size(), 0.0);
    for (size_t i = 1; i < points.size(); ++i) {
        along[i] = along[i - 1] + GroundDistance(points[i - 1].lat, points[i - 1].lng,
                                                 points[i].lat, points[i].lng);
    }
    const double length = along.back();
    const double span = endUtc - beginUtc;
    const double last = static_cast<double>(points.size() - 1);
    for (size_t i = 0; i < points.size(); ++i) {
        const double share = length > 0 ? along[i] / length : last > 0 ? i / last : 0.0;
        points[i].sdate = beginUtc + span * share;
    }
}

}  // namespace vandrel
