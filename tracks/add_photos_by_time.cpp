#include "tracks/add_photos_by_time.h"

#include <string>

#include "core/units.h"
#include "flows/photos_by_time.h"

namespace vandrel::tracks {
namespace {

struct ReadPhotos {
    std::vector<PhotoFile> files;
    std::vector<PhotoCapture> captures;
    std::vector<std::string> thumbnails;
};

ReadPhotos readChosen(const std::vector<std::string>& chosen) {
    ReadPhotos read;
    read.files = readPhotoFiles(gatherPhotoFiles({chosen.begin(), chosen.end()}));
    for (const PhotoFile& file : read.files) {
        read.captures.push_back(file.capture);
        read.thumbnails.push_back(file.capture.status == CaptureStatus::NotImage
                                      ? std::string()
                                      : embeddedPhotoPreview(file.path));
    }
    return read;
}

std::vector<PreviewPhoto> previewPhotos(ReadPhotos& read, const DeviceSettings& settings) {
    std::vector<PreviewPhoto> photos;
    for (std::size_t i = 0; i < read.files.size(); ++i) {
        const PhotoCapture& capture = read.captures[i];
        photos.push_back({read.files[i].path.string(),
                          capture.status == CaptureStatus::Found
                              ? FormatDateTime(capture.time, settings)
                              : std::string(),
                          std::move(read.thumbnails[i])});
    }
    return photos;
}

std::vector<PreviewPlace> previewPlaces(const std::vector<PhotoCapture>& captures,
                                        const std::vector<Placement>& placements,
                                        const TrackHeader& track, const DeviceSettings& settings) {
    std::vector<PreviewPlace> places;
    for (std::size_t i = 0; i < placements.size(); ++i) {
        const Placement& placement = placements[i];
        if (placement.kind != PlacementKind::Placed) {
            places.push_back({{}, {}, notPlacedReason(captures[i], placement.kind)});
            continue;
        }
        const TrackPoint& point = track.points[placement.point];
        places.push_back(
            {FormatDateTime(point.sdate, settings), FormatDistance(point.dist, settings),
             placement.moved ? "beside its nearest point, which holds another photo" : ""});
    }
    return places;
}

}  // namespace

std::vector<std::size_t> addPhotosByTime(Session& session, ui::CommandRunner& commands,
                                         PhotosByTimeDialog& dialog, TrackHeader& track,
                                         PhotoStamps& stamps) {
    const std::vector<std::string> chosen = dialog.choosePhotos();
    if (chosen.empty()) {
        return {};
    }
    ReadPhotos read;
    commands.run([&chosen, &read](UserPrompt& prompt) {
        BusyScope busy(prompt);
        read = readChosen(chosen);
    });
    if (read.files.empty()) {
        commands.prompt().notice("No photo was found there.");
        return {};
    }
    const DeviceSettings settings = session.settings;
    const std::optional<PhotosChoice> choice = dialog.preview(
        previewPhotos(read, settings), MatchSettings{}, [&](const MatchSettings& match) {
            return previewPlaces(read.captures, matchPhotos(read.captures, track, match), track,
                                 settings);
        });
    if (!choice) {
        return {};
    }
    const std::vector<Placement> placements = matchPhotos(read.captures, track, choice->settings);
    std::vector<std::string> before;
    for (const TrackPoint& point : track.points) {
        before.push_back(point.pho);
    }
    commands.run([&](UserPrompt& prompt) {
        const PhotosAttached attached = attachPhotosByTime(
            prompt, session, track, read.files, placements, choice->writePosition, stamps);
        if (attached.complete()) {
            prompt.notice(photosAttachedText(attached));
        }
    });
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < track.points.size(); ++i) {
        if (track.points[i].pho != before[i]) {
            changed.push_back(i);
        }
    }
    return changed;
}

void keepAttachedPhotos(const TrackHeader& attached, const std::vector<std::size_t>& points,
                        std::vector<TrackHeader>& day) {
    for (TrackHeader& track : day) {
        if (track.objid != attached.objid || track.points.size() != attached.points.size()) {
            continue;
        }
        for (std::size_t i : points) {
            track.points[i].pho = attached.points[i].pho;
        }
    }
}

}  // namespace vandrel::tracks
