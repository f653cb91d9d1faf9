#include "tracks/add_photos_by_time.h"

#include <string>

#include "core/units.h"
#include "flows/attached_photos.h"
#include "flows/photos_by_time.h"

namespace vandrel::tracks {
namespace {

struct ReadPhotos {
    std::vector<PhotoFile> files;
    std::vector<PhotoCapture> captures;
    std::vector<std::string> thumbnails;
};

ReadPhotos readChosen(const std::vector<std::string>& chosen, const Session& session,
                      const TrackHeader& track) {
    ReadPhotos read;
    read.files = readPhotoFiles(gatherPhotoFiles({chosen.begin(), chosen.end()}));
    markAttachedPhotos(session.folder().photos(), track, read.files);
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

}  // namespace

std::vector<std::size_t> addPhotosByTime(Session& session, ui::CommandRunner& commands,
                                         PhotosByTimeDialog& dialog, TrackHeader& track,
                                         PhotoStamps& stamps) {
    const std::vector<std::string> chosen = dialog.choosePhotos();
    if (chosen.empty()) {
        return {};
    }
    ReadPhotos read;
    commands.run([&](UserPrompt& prompt) {
        BusyScope busy(prompt);
        read = readChosen(chosen, session, track);
    });
    if (read.files.empty()) {
        commands.prompt().notice("No photo was found there.");
        return {};
    }
    const DeviceSettings settings = session.settings;
    const PhotoPlaces places(read.captures, track, settings);
    const std::optional<PhotosChoice> choice =
        dialog.preview(previewPhotos(read, settings), MatchSettings{}, places);
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
            prompt.success(photosAttachedText(attached));
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
                        TrackHeader& track) {
    if (track.objid != attached.objid || track.points.size() != attached.points.size()) {
        return;
    }
    for (std::size_t i : points) {
        track.points[i].pho = attached.points[i].pho;
    }
}

void keepAttachedPhotos(const TrackHeader& attached, const std::vector<std::size_t>& points,
                        std::vector<TrackHeader>& day) {
    for (TrackHeader& track : day) {
        keepAttachedPhotos(attached, points, track);
    }
}

}  // namespace vandrel::tracks
