// vandrel-cli photos TRACK-ID FILE|DIR...: photos placed on a stored track by the time they
// were taken, listed, and attached unless --dry-run.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "cli/terminal_prompt.h"
#include "core/units.h"
#include "core/utf8.h"
#include "flows/attached_photos.h"
#include "flows/photos_by_time.h"

namespace vandrel::cli {
namespace {

struct PhotosArguments {
    int trackId = 0;
    std::vector<std::string> files;
    std::string offset = "0";
    std::string offsetFrom;  // PHOTO=POINT: the camera offset that puts PHOTO on POINT
    int maxGap = MatchSettings{}.maxGapSeconds;
    bool fileDates = false;
    bool writeGps = false;
    bool dryRun = false;
};

// One line per photo: where it goes, or why it goes nowhere.
void printPlacement(const PhotoFile& photo, const Placement& placement, const TrackHeader& track,
                    const DeviceSettings& settings) {
    std::cout << printableText(photo.path.string());  // a newline in a name is no new line
    if (photo.capture.status == CaptureStatus::Found) {
        std::cout << (photo.capture.fromFileDate ? "  file date " : "  taken ")
                  << FormatDateTime(photo.capture.time, settings);
    }
    if (placement.kind != PlacementKind::Placed) {
        std::cout << "  not placed: " << notPlacedReason(photo.capture, placement.kind) << "\n";
        return;
    }
    const TrackPoint& point = track.points[placement.point];
    std::cout << "  point " << FormatDateTime(point.sdate, settings) << "  at "
              << FormatDistance(point.dist, settings);
    if (placement.moved) {
        std::cout << "  (beside its nearest point, which holds another photo)";
    }
    std::cout << "\n";
}

// "7 days (168:00:00)", the largest offset taken.
std::string largestOffsetText() {
    return std::to_string(kMostCameraOffsetSeconds / 86400) + " days (" +
           clockOffsetText(kMostCameraOffsetSeconds).substr(1) + ")";
}

// The photo PHOTO names: the file itself, or else the chosen photo of that name or of a path
// ending in it ("a.jpg" or "day/a.jpg" among the files of a folder).
std::filesystem::path namedPhoto(const std::string& name,
                                 const std::vector<std::filesystem::path>& chosen) {
    std::error_code error;
    if (std::filesystem::is_regular_file(name, error)) {
        return name;
    }
    const std::string ending = "/" + name;
    for (const std::filesystem::path& file : chosen) {
        const std::string path = file.string();
        if (path == name ||
            (path.size() > ending.size() &&
             path.compare(path.size() - ending.size(), ending.size(), ending) == 0)) {
            return file;
        }
    }
    return name;
}

// The offset --offset-from PHOTO=POINT names: PHOTO was taken at the track's point POINT
// (counted from 1, as the point's bubble shows it).
std::optional<int> offsetFromPhoto(const std::string& argument, const TrackHeader& track,
                                   const std::vector<std::filesystem::path>& chosen) {
    const auto equals = argument.rfind('=');
    if (equals == std::string::npos) {
        return std::nullopt;
    }
    std::size_t point = 0;
    try {
        point = std::stoul(argument.substr(equals + 1));
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const PhotoCapture capture =
        readPhotoFiles({namedPhoto(argument.substr(0, equals), chosen)}).front().capture;
    if (capture.status != CaptureStatus::Found || point < 1 || point > track.points.size()) {
        return std::nullopt;
    }
    return cameraOffsetFrom(capture, track.points[point - 1], track.tzome);
}

int runPhotos(Context& context, const PhotosArguments& arguments) {
    std::optional<int> offset = parseClockOffset(arguments.offset);
    if (!offset || arguments.maxGap < 0) {
        std::cerr << "--offset takes [+|-][HH:]MM:SS up to " << largestOffsetText()
                  << ", and --max-gap a number of seconds" << std::endl;
        return kExitFailure;
    }
    if (!prepare(context)) {
        return kExitFailure;
    }
    Session& session = *context.session;
    session.openStore();
    std::optional<TrackHeader> track = storedTrackWithPoints(session, arguments.trackId);
    if (!track) {
        std::cerr << "No stored track has the id " << arguments.trackId
                  << " (vandrel-cli tracks lists them)" << std::endl;
        return kExitFailure;
    }
    const std::vector<std::filesystem::path> chosen =
        gatherPhotoFiles({arguments.files.begin(), arguments.files.end()});
    if (!arguments.offsetFrom.empty()) {
        offset = offsetFromPhoto(arguments.offsetFrom, *track, chosen);
        if (!offset) {
            std::cerr << "--offset-from takes PHOTO=POINT: a photo with a capture time and the "
                         "number of a point of the track"
                      << std::endl;
            return kExitFailure;
        }
        if (!isCameraOffset(*offset)) {
            std::cerr << "--offset-from: " << arguments.offsetFrom
                      << " gives a camera offset beyond " << largestOffsetText()
                      << ", which no camera clock is off by; check the photo's date and the "
                         "point's number"
                      << std::endl;
            return kExitFailure;
        }
        std::cout << "camera offset " << clockOffsetText(*offset) << "\n";
    }
    std::vector<PhotoFile> photos = readPhotoFiles(chosen, arguments.fileDates);
    markAttachedPhotos(session.folder().photos(), *track, photos);
    std::vector<PhotoCapture> captures;
    for (const PhotoFile& photo : photos) {
        captures.push_back(photo.capture);
    }
    const std::vector<Placement> placements =
        matchPhotos(captures, *track, {*offset, arguments.maxGap});
    for (std::size_t i = 0; i < photos.size(); ++i) {
        printPlacement(photos[i], placements[i], *track, session.settings);
    }
    if (arguments.dryRun) {
        return kExitOk;
    }
    TerminalPrompt prompt(std::cin, std::cerr, ::isatty(STDIN_FILENO) != 0, false);
    PhotoStamps stamps([] { return localTimeWithMilliseconds(); });
    const PhotosAttached attached =
        attachPhotosByTime(prompt, session, *track, photos, placements, arguments.writeGps, stamps);
    std::cerr << photosAttachedText(attached) << std::endl;
    return attached.complete() && attached.positionsNotWritten.empty() ? kExitOk : kExitFailure;
}

}  // namespace

void addPhotosCommand(CLI::App& app, Context& context) {
    CLI::App* command =
        app.add_subcommand("photos", "Attach photos to a stored track by the time they were taken");
    auto arguments = std::make_shared<PhotosArguments>();
    command->add_option("TRACK-ID", arguments->trackId, "the track's id as `tracks` lists it")
        ->required();
    command->add_option("FILE", arguments->files, "photos, or folders searched for them")
        ->required();
    command->add_option("--offset", arguments->offset,
                        "the camera's clock minus the true time, [+|-][HH:]MM:SS");
    command
        ->add_option("--offset-from", arguments->offsetFrom,
                     "PHOTO=POINT: the offset that puts PHOTO (a file, or the name of one of "
                     "the photos) on the track's point POINT (counted from 1)")
        ->excludes("--offset");
    command->add_option("--max-gap", arguments->maxGap,
                        "the largest time in seconds between a photo and its point (300)");
    command->add_flag("--file-dates", arguments->fileDates,
                      "take a file's modification time when it has no capture time");
    command->add_flag("--write-gps", arguments->writeGps,
                      "write the position into the copies (never into the originals)");
    command->add_flag("--dry-run", arguments->dryRun, "list the matches and attach nothing");
    command->callback([&context, arguments] { context.exitCode = runPhotos(context, *arguments); });
}

}  // namespace vandrel::cli
