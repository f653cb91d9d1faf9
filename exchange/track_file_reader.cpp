#include "exchange/track_file_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "core/number_text.h"
#include "core/track_times.h"
#include "exchange/gpx_export.h"
#include "exchange/iso_time.h"
#include "exchange/kml_line.h"
#include "exchange/track_storing.h"
#include "exchange/track_stream.h"

namespace vandrel {

namespace {

constexpr float kEmpty = std::numeric_limits<float>::quiet_NaN();

enum class Kind { Unknown, Gpx, Tcx, Kml };

// The texts a point or track is read from.
enum class Field {
    None,
    Time,
    Lat,
    Lon,
    Ele,
    Alt,
    Bar,
    Tmp,
    Atemp,
    Tzome,
    When,
    Coord,
    Begin,
    End,
    Coordinates,  // a LineString's, taken in pieces as it is read
    FolderName,
    PlaceWhen,
    PlaceCoordinates,  // a Point's "lon,lat[,alt]"
};

// The text of one number or time is far shorter; a longer one is none.
constexpr size_t kMostFieldBytes = 256;

bool is(const char* a, const char* b) {
    return std::strcmp(a, b) == 0;
}

std::optional<double> finiteNumber(std::string_view text) {
    const std::optional<double> value = parseNumber<double>(text);
    if (!value || !std::isfinite(*value)) {
        return std::nullopt;
    }
    return value;
}

// A point while its element is read; the numbers stay text until the point ends.
struct PendingPoint {
    std::optional<double> lat;
    std::optional<double> lon;
    std::optional<IsoTime> time;
    float ele = kEmpty;
    float alt = kEmpty;
    float bar = kEmpty;
    float tmp = kEmpty;
    float atemp = kEmpty;

    // A measurement the file may leave out. Programs write an empty element, "nan" or a
    // decimal comma where they have none: the value is missing then, and the point, which its
    // position and time make, stays.
    static void measure(std::string_view text, float& out) {
        const std::optional<double> value = finiteNumber(text);
        if (value && std::fabs(*value) <= std::numeric_limits<float>::max()) {
            out = static_cast<float>(*value);
        }
    }
};

// A KML Document or Folder while it is read: the timed points of its Placemarks, which make
// one track, and its lines without times, which are counted as skipped unless it (or a folder
// directly in it) made a track of timed points: converters write a track's untimed line beside
// the folder of its points.
struct KmlFolder {
    std::string name;
    std::vector<TrackPoint> points;  // sdate in UTC seconds
    std::optional<int32_t> firstOffset;
    int untimedLines = 0;
    bool madeTrack = false;
};

// Longitude, latitude and altitude, each missing where the text has none.
using Coordinate = std::array<std::optional<double>, 3>;

// A KML Placemark's own Point and TimeStamp.
struct KmlPlace {
    bool point = false;  // inside its Point
    std::optional<Coordinate> coordinates;
    std::optional<IsoTime> when;
};

class Parser : public XmlContent {
  public:
    Parser(const TrackFileOptions& options, TrackFileCounts& counts, TrackSink& sink)
        : defaultTzome_(options.defaultTzome),
          counts_(counts),
          stream_(sink, counts, options.splitGapSeconds),
          line_(linePoints_, counts.pointsWithoutPlace) {}

    // False when the sink asked to stop, or the document is none of the three
    // (notTrackFile()).
    bool start(const char* name, const char* uri, const XmlAttributes& attributes) override;
    bool end(const char* name) override { return endElement(name) && !stopped_; }
    void text(const char* chars, size_t length) override;
    bool notTrackFile() const { return notTrackFile_; }
    // After the document broke off: hands on the track it broke off in, up to its last whole
    // point; the local time of that point, or none when nothing of it was kept.
    std::optional<double> finishBroken();

  private:
    bool root(const char* name);
    bool endElement(const char* name);
    // The zone of the track's times as known so far.
    int32_t tzome() const {
        return fileTzome_ ? *fileTzome_ : firstOffset_ ? -*firstOffset_ : defaultTzome_;
    }
    void gpxElement(const char* name, const char* uri, const XmlAttributes& attributes);
    void tcxElement(const char* name);
    void kmlElement(const char* name);
    bool kmlEnd(const char* name);
    void capture(Field field) {
        field_ = field;
        text_.clear();
        tooLong_ = false;
    }
    void applyField();
    void beginTrack();
    bool endTrack(bool cut = false);
    void beginSegment();
    void endPoint();
    std::optional<TrackPoint> makePoint(const PendingPoint& p, std::optional<int32_t>& firstOffset);
    void pairKmlPoints();
    void beginLine();
    bool endPlacemark();
    void endPlace();
    bool endFolder();
    void kmlPlaceField(const char* name);

    int32_t defaultTzome_;
    TrackFileCounts& counts_;
    TrackStream stream_;
    bool stopped_ = false;  // the sink asked to stop
    Kind kind_ = Kind::Unknown;
    bool notTrackFile_ = false;
    bool inTrack_ = false;
    bool inPoint_ = false;
    bool multiTrack_ = false;
    int segments_ = 0;
    int skipDepth_ = 0;  // inside a wpt or rte: their points are not the track's
    Field field_ = Field::None;
    std::string text_;
    bool tooLong_ = false;  // the field's text went past kMostFieldBytes
    PendingPoint point_;
    TrackHeader track_;  // the points' sdate hold UTC seconds until the track ends
    std::optional<int32_t> fileTzome_;
    std::optional<int32_t> firstOffset_;
    std::vector<std::optional<IsoTime>> whens_;
    std::vector<std::optional<double>> coords_;  // lon, lat, alt of each coord in turn
    // A KML Placemark's TimeSpan and the points of its timed lines.
    bool inPlacemark_ = false;
    bool inTimeSpan_ = false;
    bool lineTimed_ = false;  // the LineString being read is timed
    int lines_ = 0;           // timed lines in the Placemark
    std::optional<IsoTime> begin_;
    std::optional<IsoTime> end_;
    IsoTime lineBegin_;  // the span of the Placemark's first timed line, which all its lines share
    IsoTime lineEnd_;
    std::vector<TrackPoint> linePoints_;
    LineCoordinates line_;
    std::vector<KmlFolder> folders_;
    KmlPlace place_;
};

// The three numbers of a coordinate: a gx:coord's "lon lat alt", blank-separated, or a Point's
// "lon,lat,alt". A number left out, or a text that is none, is missing.
Coordinate coordinateTriple(std::string_view text, bool commas) {
    const char* const ends = commas ? ", \t\r\n" : " \t\r\n";
    Coordinate values;
    for (std::optional<double>& value : values) {
        const size_t start = text.find_first_not_of(" \t\r\n");
        text.remove_prefix(std::min(start, text.size()));
        const size_t stop = std::min(text.find_first_of(ends), text.size());
        value = stop > 0 ? finiteNumber(text.substr(0, stop)) : std::nullopt;
        text.remove_prefix(stop);
        if (commas) {
            if (text.empty() || text.front() != ',') {
                break;
            }
            text.remove_prefix(1);
        }
    }
    return values;
}

bool Parser::root(const char* name) {
    if (is(name, "gpx")) {
        kind_ = Kind::Gpx;
    } else if (is(name, "TrainingCenterDatabase")) {
        kind_ = Kind::Tcx;
    } else if (is(name, "kml")) {
        kind_ = Kind::Kml;
    }
    return kind_ != Kind::Unknown;
}

bool Parser::start(const char* name, const char* uri, const XmlAttributes& attributes) {
    if (kind_ == Kind::Unknown) {
        notTrackFile_ = !root(name);
        return !notTrackFile_;
    }
    if (skipDepth_ > 0) {
        ++skipDepth_;
        return true;
    }
    switch (kind_) {
        case Kind::Gpx:
            gpxElement(name, uri, attributes);
            break;
        case Kind::Tcx:
            tcxElement(name);
            break;
        case Kind::Kml:
            kmlElement(name);
            break;
        case Kind::Unknown:
            break;
    }
    return true;
}

void Parser::text(const char* chars, size_t length) {
    if (field_ == Field::Coordinates) {
        line_.add(std::string_view(chars, length));
    } else if (field_ != Field::None && !tooLong_) {
        tooLong_ = text_.size() + length > kMostFieldBytes;
        text_.append(chars, tooLong_ ? 0 : length);
    }
}

void Parser::gpxElement(const char* name, const char* uri, const XmlAttributes& attributes) {
    const bool own = is(uri, kVandrelGpxNamespace);
    if (!inTrack_ && (is(name, "wpt") || is(name, "rte"))) {
        ++(is(name, "wpt") ? counts_.waypoints : counts_.routes);
        skipDepth_ = 1;
        return;
    }
    if (is(name, "trk")) {
        beginTrack();
    } else if (inTrack_ && is(name, "trkseg")) {
        beginSegment();
    } else if (inTrack_ && is(name, "trkpt")) {
        inPoint_ = true;
        point_ = PendingPoint();
        if (const auto lat = attributes.find("lat")) {
            point_.lat = finiteNumber(*lat);
        }
        if (const auto lon = attributes.find("lon")) {
            point_.lon = finiteNumber(*lon);
        }
    } else if (inPoint_) {
        capture(is(name, "time")         ? Field::Time
                : is(name, "ele")        ? Field::Ele
                : own && is(name, "alt") ? Field::Alt
                : own && is(name, "bar") ? Field::Bar
                : own && is(name, "tmp") ? Field::Tmp
                : is(name, "atemp")      ? Field::Atemp
                                         : Field::None);
    } else if (inTrack_ && own && is(name, "tzome")) {
        capture(Field::Tzome);
    }
}

void Parser::tcxElement(const char* name) {
    if (is(name, "Activity") || is(name, "Course")) {
        beginTrack();
    } else if (inTrack_ && is(name, "Track")) {
        beginSegment();
    } else if (inTrack_ && is(name, "Trackpoint")) {
        inPoint_ = true;
        point_ = PendingPoint();
    } else if (inPoint_) {
        capture(is(name, "Time")               ? Field::Time
                : is(name, "LatitudeDegrees")  ? Field::Lat
                : is(name, "LongitudeDegrees") ? Field::Lon
                : is(name, "AltitudeMeters")   ? Field::Ele
                                               : Field::None);
    }
}

void Parser::kmlElement(const char* name) {
    if (is(name, "Document") || is(name, "Folder")) {
        folders_.emplace_back();
    } else if (!inPlacemark_ && !folders_.empty() && folders_.back().name.empty() &&
               is(name, "name")) {
        capture(Field::FolderName);
    } else if (inPlacemark_ && !inTrack_) {
        kmlPlaceField(name);
    }
    if (is(name, "MultiTrack") && !inTrack_) {
        beginTrack();
        multiTrack_ = true;
    } else if (is(name, "Track")) {
        if (!inTrack_) {
            beginTrack();
        }
        beginSegment();
    } else if (inTrack_ && is(name, "when")) {
        capture(Field::When);
    } else if (inTrack_ && is(name, "coord")) {
        capture(Field::Coord);
    } else if (is(name, "Placemark")) {
        inPlacemark_ = true;
        lines_ = 0;
        begin_.reset();
        end_.reset();
        linePoints_.clear();
        place_ = KmlPlace();
    } else if (inPlacemark_ && is(name, "TimeSpan")) {
        inTimeSpan_ = true;
    } else if (inTimeSpan_ && (is(name, "begin") || is(name, "end"))) {
        capture(is(name, "begin") ? Field::Begin : Field::End);
    } else if (inPlacemark_ && is(name, "LineString")) {
        beginLine();
    } else if (lineTimed_ && is(name, "coordinates")) {
        field_ = Field::Coordinates;
    }
}

// The parts of a Placemark besides its lines: a Point and its TimeStamp, or a shape or an
// overlay the program has no use for.
void Parser::kmlPlaceField(const char* name) {
    if (is(name, "Point")) {
        place_.point = true;
    } else if (place_.point && is(name, "coordinates")) {
        capture(Field::PlaceCoordinates);
    } else if (is(name, "when") && !inTimeSpan_) {
        capture(Field::PlaceWhen);
    } else if (is(name, "Polygon")) {
        ++counts_.polygons;
    }
}

// A line is timed by a TimeSpan read before it with a begin and an end no earlier; any other
// is passed over whole, without keeping its points.
void Parser::beginLine() {
    lineTimed_ = begin_ && end_ && end_->utcSeconds >= begin_->utcSeconds;
    if (!lineTimed_) {
        ++(folders_.empty() ? counts_.linesWithoutTimes : folders_.back().untimedLines);
    } else if (++lines_ > 1) {
        ++counts_.segmentsJoined;
    } else {
        lineBegin_ = *begin_;
        lineEnd_ = *end_;
    }
}

// The Placemark's timed lines become one track; a timed Point is a point of its folder's.
bool Parser::endPlacemark() {
    inPlacemark_ = false;
    endPlace();
    if (lines_ == 0) {
        return true;
    }
    ++counts_.linesTimedBySpan;
    spreadTimes(linePoints_, lineBegin_.utcSeconds, lineEnd_.utcSeconds);
    beginTrack();
    track_.points.swap(linePoints_);
    linePoints_.clear();
    firstOffset_ = lineBegin_.offsetMinutes;
    return endTrack();
}

bool Parser::endElement(const char* name) {
    if (skipDepth_ > 0) {
        --skipDepth_;
        return true;
    }
    if (field_ != Field::None) {
        if (tooLong_) {
            text_.clear();
        }
        applyField();
        field_ = Field::None;
        return true;
    }
    switch (kind_) {
        case Kind::Gpx:
            if (inPoint_ && is(name, "trkpt")) {
                endPoint();
            } else if (inTrack_ && is(name, "trk")) {
                return endTrack();
            }
            break;
        case Kind::Tcx:
            if (inPoint_ && is(name, "Trackpoint")) {
                endPoint();
            } else if (inTrack_ && (is(name, "Activity") || is(name, "Course"))) {
                return endTrack();
            }
            break;
        case Kind::Kml:
            return kmlEnd(name);
        case Kind::Unknown:
            break;
    }
    return true;
}

void Parser::endPlace() {
    if (!place_.coordinates) {
        return;
    }
    if (!place_.when || folders_.empty()) {
        ++counts_.places;
        return;
    }
    const Coordinate& lonLatAlt = *place_.coordinates;
    PendingPoint pending;
    pending.time = place_.when;
    pending.lon = lonLatAlt[0];
    pending.lat = lonLatAlt[1];
    if (lonLatAlt[2]) {
        pending.ele = static_cast<float>(*lonLatAlt[2]);
    }
    KmlFolder& folder = folders_.back();
    if (std::optional<TrackPoint> point = makePoint(pending, folder.firstOffset)) {
        folder.points.push_back(std::move(*point));
    }
}

// A folder's timed points are one track, but those of a folder of waypoints. Its untimed lines
// count as skipped unless they were the path of a track it, or a folder directly in it, made.
bool Parser::endFolder() {
    KmlFolder folder = std::move(folders_.back());
    folders_.pop_back();
    bool more = true;
    bool madeTrack = folder.madeTrack;
    if (!folder.points.empty() && folder.name == "Waypoints") {
        counts_.waypoints += static_cast<int>(folder.points.size());
    } else if (!folder.points.empty()) {
        beginTrack();
        track_.points = std::move(folder.points);
        firstOffset_ = folder.firstOffset;
        more = endTrack();
        madeTrack = true;
        if (!folders_.empty()) {
            folders_.back().madeTrack = true;
        }
    }
    if (!madeTrack) {
        (folders_.empty() ? counts_.linesWithoutTimes : folders_.back().untimedLines) +=
            folder.untimedLines;
    }
    return more;
}

bool Parser::kmlEnd(const char* name) {
    if (is(name, "Document") || is(name, "Folder")) {
        return folders_.empty() || endFolder();
    }
    if (is(name, "GroundOverlay") || is(name, "ScreenOverlay") || is(name, "PhotoOverlay")) {
        ++counts_.overlays;
    }
    if (inTrack_ && is(name, "Track")) {
        pairKmlPoints();
        return multiTrack_ || endTrack();
    }
    if (inTrack_ && is(name, "MultiTrack")) {
        return endTrack();
    }
    if (is(name, "TimeSpan")) {
        inTimeSpan_ = false;
    } else if (is(name, "LineString")) {
        lineTimed_ = false;
    } else if (inPlacemark_ && is(name, "Placemark")) {
        return endPlacemark();
    }
    return true;
}

void Parser::applyField() {
    switch (field_) {
        case Field::Time:
            point_.time = parseIsoTime(text_);
            break;
        case Field::Lat:
            point_.lat = finiteNumber(text_);
            break;
        case Field::Lon:
            point_.lon = finiteNumber(text_);
            break;
        case Field::Ele:
            point_.measure(text_, point_.ele);
            break;
        case Field::Alt:
            point_.measure(text_, point_.alt);
            break;
        case Field::Bar:
            point_.measure(text_, point_.bar);
            break;
        case Field::Tmp:
            point_.measure(text_, point_.tmp);
            break;
        case Field::Atemp:
            point_.measure(text_, point_.atemp);
            break;
        case Field::Tzome:
            if (const auto tzome = parseNumber<int32_t>(text_);
                tzome && std::abs(*tzome) <= 16 * 60) {
                fileTzome_ = *tzome;
            }
            break;
        case Field::When:
            whens_.push_back(parseIsoTime(text_));
            break;
        case Field::Begin:
            begin_ = parseIsoTime(text_);
            break;
        case Field::End:
            end_ = parseIsoTime(text_);
            break;
        case Field::Coordinates:
            line_.finish();
            break;
        case Field::FolderName:
            folders_.back().name = text_;
            break;
        case Field::PlaceWhen:
            place_.when = parseIsoTime(text_);
            break;
        case Field::PlaceCoordinates:
            // A Point without a longitude and a latitude has no place.
            if (const Coordinate point = coordinateTriple(text_, true); point[0] && point[1]) {
                place_.coordinates = point;
            }
            break;
        case Field::Coord: {
            // The altitude may be left out.
            const Coordinate coord = coordinateTriple(text_, false);
            coords_.insert(coords_.end(), coord.begin(), coord.end());
            break;
        }
        case Field::None:
            break;
    }
}

void Parser::beginTrack() {
    inTrack_ = true;
    multiTrack_ = false;
    segments_ = 0;
    stream_.start();
    track_ = TrackHeader();
    fileTzome_.reset();
    firstOffset_.reset();
}

void Parser::beginSegment() {
    if (++segments_ > 1) {
        ++counts_.segmentsJoined;
    }
    whens_.clear();
    coords_.clear();
}

void Parser::endPoint() {
    inPoint_ = false;
    if (std::optional<TrackPoint> point = makePoint(point_, firstOffset_)) {
        stopped_ = stopped_ || !stream_.add(std::move(*point), tzome());
    }
}

// Only a time and a position make a point: without either it is passed over and counted.
std::optional<TrackPoint> Parser::makePoint(const PendingPoint& p,
                                            std::optional<int32_t>& firstOffset) {
    if (!p.time) {
        ++counts_.pointsWithoutTime;
        return std::nullopt;
    }
    if (!p.lat || !p.lon || std::fabs(*p.lat) > 90.0 || std::fabs(*p.lon) > 180.0) {
        ++counts_.pointsWithoutPlace;
        return std::nullopt;
    }
    if (!firstOffset && p.time->offsetMinutes) {
        firstOffset = p.time->offsetMinutes;
    }
    TrackPoint point;
    point.lat = static_cast<float>(*p.lat);
    point.lng = static_cast<float>(*p.lon);
    point.sdate = p.time->utcSeconds;
    // The program's own values are exact where ele is rounded and others have none.
    point.alt = !std::isnan(p.alt) ? p.alt : p.ele;
    point.bar = p.bar;
    point.tmp = !std::isnan(p.tmp) ? p.tmp : p.atemp;
    return point;
}

void Parser::pairKmlPoints() {
    const size_t coords = coords_.size() / 3;
    for (size_t i = 0; i < std::max(whens_.size(), coords); ++i) {
        point_ = PendingPoint();
        if (i < whens_.size()) {
            point_.time = whens_[i];
        }
        if (i < coords) {
            point_.lon = coords_[i * 3];
            point_.lat = coords_[i * 3 + 1];
            if (coords_[i * 3 + 2]) {
                point_.ele = static_cast<float>(*coords_[i * 3 + 2]);
            }
        }
        endPoint();
    }
    whens_.clear();
    coords_.clear();
}

// The track's points go through the stream (track_stream.h), which splits, orders, settles
// and hands them on; the points a KML track gathered whole are fed to it here.
bool Parser::endTrack(bool cut) {
    inTrack_ = false;
    for (TrackPoint& point : track_.points) {
        stopped_ = stopped_ || !stream_.add(std::move(point), tzome());
    }
    track_.points.clear();
    stopped_ = stopped_ || !stream_.finish(tzome(), cut);
    return !stopped_;
}

std::optional<double> Parser::finishBroken() {
    if (kind_ == Kind::Kml && !inTrack_) {
        // The innermost folder's timed points are whole points; a timed line is not, as its
        // span's end is not known.
        while (!folders_.empty() && folders_.back().points.empty()) {
            counts_.linesWithoutTimes += folders_.back().untimedLines;
            folders_.pop_back();
        }
        if (folders_.empty()) {
            return std::nullopt;
        }
        beginTrack();
        track_.points = std::move(folders_.back().points);
        firstOffset_ = folders_.back().firstOffset;
    } else if (!inTrack_) {
        return std::nullopt;
    }
    if (kind_ == Kind::Kml && !whens_.empty()) {
        const size_t whole = std::min(whens_.size(), coords_.size() / 3);
        whens_.resize(whole);
        coords_.resize(whole * 3);
        pairKmlPoints();
    }
    endTrack(true);
    return stream_.lastCutPoint();
}

}  // namespace

TrackFileRead readTrackFile(ArchiveSource& source, const ThreadMessages& thread,
                            const TrackFileOptions& options, TrackFileCounts& counts,
                            TrackSink& sink) {
    Parser parser(options, counts, sink);
    // A KML line's coordinates are one text however long the line; the parser takes it in
    // pieces.
    source.allowLongTextIn("coordinates");
    StreamFault fault;
    switch (streamXml(source, thread, parser, fault)) {
        case StreamEnd::Read:
            return {};
        case StreamEnd::Stopped:
            if (parser.notTrackFile()) {
                return {false, "it is no GPX, TCX or KML document", std::nullopt};
            }
            return {};
        case StreamEnd::Broken: {
            TrackFileRead read;
            TrackFileBreak& broke = read.broke.emplace();
            broke.line = fault.line;
            broke.atEnd = fault.atEnd;
            broke.reason = fault.reason;
            broke.keptUntil = parser.finishBroken();
            return read;
        }
        case StreamEnd::Refused:
            break;
    }
    return {false, fault.reason, std::nullopt};
}

}  // namespace vandrel
