// vandrel-sim: writes logger volume images (handshake challenge, settings, a POI block erased
// or filled from a .poi file, a track log from GPX files or generated tracks) and describes
// them.

#include <CLI/CLI.hpp>

#include <cstdint>
#include <iostream>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/licence_notice.h"
#include "device/log_layout.h"
#include "tools/sim/logger_image.h"

namespace {

using vandrel::sim::LoggerImage;
using vandrel::sim::SimTrack;

struct CreateOptions {
    std::string image;
    std::vector<std::string> gpx;
    int tracks = 5;
    int points = 600;
    std::string start = "2026-06-01T08:00:00";
    int interval = 5;
    int tzOffset = 0;
    bool full = false;
    bool noLog = false;
    std::string pois;
    std::optional<uint32_t> seed;
};

// Far more than the log holds (49,900 fixes), enough to show the cut, small enough for memory.
constexpr int64_t kMostGeneratedFixes = 2'000'000;

void warn(const std::string& text) {
    std::cerr << "vandrel-sim: warning: " << text << "\n";
}

int fail(const std::string& text) {
    std::cerr << "vandrel-sim: error: " << text << "\n";
    return 1;
}

bool readGpxFiles(const CreateOptions& o, std::vector<SimTrack>& tracks, std::string& error) {
    for (const std::string& file : o.gpx) {
        std::vector<std::string> warnings;
        std::vector<SimTrack> read =
            vandrel::sim::readGpxTracks(file, static_cast<int16_t>(o.tzOffset), error, warnings);
        for (const std::string& w : warnings) {
            warn(w);
        }
        if (!error.empty()) {
            return false;
        }
        if (read.empty()) {
            warn(file + ": no track to log");
        }
        tracks.insert(tracks.end(), read.begin(), read.end());
    }
    if (tracks.empty()) {
        error = "the GPX files hold no track point with a position and a time";
        return false;
    }
    return true;
}

// The start is the logger's local time unless it names its zone.
bool generate(const CreateOptions& o, std::vector<SimTrack>& tracks, std::string& error) {
    const auto start = vandrel::sim::parseIsoTime(o.start);
    if (!start) {
        error = "--start: not a date and time of the form YYYY-MM-DDTHH:MM:SS: " + o.start;
        return false;
    }
    const int64_t startUnix = start->seconds - (start->hasZone ? 0 : int64_t{o.tzOffset} * 60);
    std::vector<int> points = o.full ? vandrel::sim::pointsToFillLog(o.tracks)
                                     : std::vector<int>(static_cast<size_t>(o.tracks), o.points);
    if (points.empty()) {
        error = "--full: the log holds at most " +
                std::to_string(vandrel::log_layout::kEntryCount) + " tracks";
        return false;
    }
    const int most = *std::max_element(points.begin(), points.end());
    if (int64_t{o.tracks} * most > kMostGeneratedFixes) {
        error = "--tracks times --points is more than " + std::to_string(kMostGeneratedFixes);
        return false;
    }
    const int64_t last = startUnix + int64_t{o.tracks - 1} * 86400 + int64_t{most - 1} * o.interval;
    if (startUnix < 0 || last > std::numeric_limits<uint32_t>::max()) {
        error = "the fix times must lie between 1970 and 2106";
        return false;
    }
    tracks = vandrel::sim::generateTracks(points, startUnix, o.interval,
                                          static_cast<int16_t>(o.tzOffset), o.seed.value_or(7));
    return true;
}

int usedChunks(const LoggerImage& image) {
    namespace layout = vandrel::log_layout;
    int used = 0;
    for (int i = 0; i < layout::kEntryCount; ++i) {
        const uint8_t* e =
            image.bytes().data() + layout::kIndexVolumeOffset + layout::kEntrySize * i;
        used += (e[0] & e[1] & e[2] & e[3]) != 0xFF ? 1 : 0;
    }
    return used;
}

int runCreate(const CreateOptions& o) {
    const uint32_t challengeSeed = o.seed.value_or(std::random_device{}());
    LoggerImage image(vandrel::sim::kMinBlocks, challengeSeed);
    vandrel::sim::SimSettings settings;
    settings.timeZoneEast = static_cast<int16_t>(o.tzOffset);
    settings.logInterval = static_cast<int16_t>(o.interval);
    image.writeSettings(settings);

    std::vector<SimTrack> tracks;
    std::string error;
    if (!o.pois.empty()) {
        const std::vector<vandrel::sim::SimPoi> pois = vandrel::sim::readPoiFile(o.pois, error);
        if (pois.empty()) {
            return fail(error);
        }
        image.writePois(pois);
    }
    if (!o.noLog) {
        const bool ok = o.gpx.empty() ? generate(o, tracks, error) : readGpxFiles(o, tracks, error);
        if (!ok) {
            return fail(error);
        }
        for (const std::string& w : image.writeLog(tracks)) {
            warn(w);
        }
    }
    if (!image.save(o.image, error)) {
        return fail(error);
    }
    std::cout << "wrote " << o.image << ": " << tracks.size() << " track(s) given, "
              << usedChunks(image) << " of " << vandrel::log_layout::kEntryCount
              << " chunks used, log present " << image.logPresent() << "\n";
    return 0;
}

int runInspect(const std::string& path) {
    std::string error;
    const std::optional<LoggerImage> image = LoggerImage::load(path, error);
    if (!image) {
        return fail(error);
    }
    std::cout << vandrel::sim::inspectImage(*image);
    return 0;
}

void addCreateOptions(CLI::App& create, CreateOptions& o) {
    create.add_option("IMAGE", o.image, "the volume image to write (1024 blocks of 4096 bytes)")
        ->required();
    auto* gpx = create.add_option("--gpx", o.gpx, "log every trk of this GPX file (repeatable)");
    auto* tracks = create.add_option("--tracks", o.tracks, "generated tracks, one a day")
                       ->check(CLI::Range(1, 100000))
                       ->excludes(gpx);
    auto* points = create.add_option("--points", o.points, "fixes per generated track")
                       ->check(CLI::Range(1, 10000000))
                       ->excludes(gpx);
    auto* start = create.add_option(
        "--start", o.start,
        "first fix, YYYY-MM-DDTHH:MM:SS in the logger's local time unless a zone is given");
    start->excludes(gpx);
    create.add_option("--interval", o.interval, "seconds between generated fixes; LogInterval")
        ->check(CLI::Range(1, 32767));
    create.add_option("--tz-offset", o.tzOffset, "minutes east of UTC of every fix and setting")
        ->check(CLI::Range(-1440, 1440));
    auto* full = create.add_flag("--full", o.full, "generated tracks fill all 998 chunks")
                     ->excludes(gpx)
                     ->excludes(points);
    create.add_flag("--no-log", o.noLog, "write no log at all (log-present word 0)")
        ->excludes(gpx)
        ->excludes(tracks)
        ->excludes(points)
        ->excludes(full)
        ->excludes(start);
    create.add_option("--pois", o.pois,
                      "fill the POI block from this .poi file (values as they stand)");
    create.add_option("--seed", o.seed, "seed of the challenge and the generated tracks");
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"vandrel-sim: writes and describes logger volume images"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "vandrel-sim " VANDREL_VERSION "\n" VANDREL_LICENCE_NOTICE);
    CreateOptions createOptions;
    CLI::App* create = app.add_subcommand("create", "write a new logger volume image");
    addCreateOptions(*create, createOptions);
    std::string inspectPath;
    CLI::App* inspect = app.add_subcommand("inspect", "describe a logger volume image");
    inspect->add_option("IMAGE", inspectPath, "the volume image to read")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 1;
    }
    if (create->parsed()) {
        return runCreate(createOptions);
    }
    return runInspect(inspectPath);
}
