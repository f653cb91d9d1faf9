// Writing the PC track archive (track_archive.h).

#include <cmath>
#include <system_error>
#include <utility>

#include "core/ole_date.h"
#include "core/track_times.h"
#include "exchange/stored_tracks.h"
#include "exchange/track_archive.h"
#include "exchange/xml_output.h"

namespace vandrel {

const char* const kArchiveFilterDescription = "PRG Files (*.prg)";

std::filesystem::path archivePhotoFolder(const std::filesystem::path& archive) {
    if (!archive.has_extension()) {
        return archive.string() + "_photos";
    }
    std::filesystem::path folder = archive;
    folder.replace_extension();
    return folder;
}

ArchiveWriter::ArchiveWriter(std::filesystem::path archive, std::filesystem::path photosFolder)
    : archive_(std::move(archive)),
      photoFolder_(archivePhotoFolder(archive_)),
      photosFolder_(std::move(photosFolder)),
      file_(archive_) {}

ArchiveWriter::~ArchiveWriter() = default;

bool ArchiveWriter::begin(std::optional<int32_t> rootTimezone) {
    // A folder that cannot be made shows as photos that could not be copied.
    std::error_code ec;
    std::filesystem::create_directories(photoFolder_, ec);
    if (!file_.create(true, result_.error)) {
        result_.ok = false;
        return false;
    }
    printer_ = std::make_unique<ExchangePrinter>(file_.stream(), ExchangePrinter::Layout::Lines);
    printer_->PushDeclaration("xml version=\"1.0\" ");
    printer_->OpenElement("track");
    if (rootTimezone) {
        printer_->PushAttribute("timezone", *rootTimezone);
    }
    return true;
}

void ArchiveWriter::write(const TrackHeader& track) {
    if (!printer_) {
        return;
    }
    // Its load would drop such a point: the archive would not give the track back.
    if (const size_t outside = firstPointOutsideTimes(track)) {
        result_.ok = false;
        result_.error = cannotWrite(archive_, pointOutsideTimesReason(outside));
        printer_.reset();
        return;
    }
    printer_->OpenElement("item");
    printer_->PushAttribute("trail", track.trail);
    for (const TrackPoint& point : track.points) {
        writePoint(point);
    }
    printer_->CloseElement();
    ++result_.tracks;
    result_.points += static_cast<int64_t>(track.points.size());
}

void ArchiveWriter::writePoint(const TrackPoint& point) {
    printer_->OpenElement("point");
    printer_->PushAttribute("lat", fixedText(point.lat, 6).c_str());
    printer_->PushAttribute("lng", fixedText(point.lng, 6).c_str());
    printer_->PushAttribute("time", fixedText(wholeSecondOleDate(point.sdate), 6).c_str());
    // A reading the point lacks is left out, as the archive load takes an absent one.
    for (const auto& [name, value] :
         {std::pair{"alt", point.alt}, std::pair{"bar", point.bar}, std::pair{"tmp", point.tmp}}) {
        if (std::isfinite(value)) {
            printer_->PushAttribute(name, fixedText(value, 2).c_str());
        }
    }
    printer_->PushAttribute("pho", copyPhoto(point.pho).c_str());
    printer_->CloseElement();
}

// The photo goes into the photo folder under its own name; a file already there of that name
// and size is left as it is, one of another size (a copy cut short) is replaced. The archive
// names the photo even when the copy failed, so that a photo put there later by hand is found
// by the load. A name the archive's XML cannot hold as it is (not UTF-8, say) would make the
// whole archive unreadable: such a photo is left out.
std::string ArchiveWriter::copyPhoto(const std::string& photoPath) {
    if (photoPath.empty()) {
        return {};
    }
    const std::string name = photoFileName(photoPath);
    if (!isPlainFileName(name) || !isXmlText(name)) {
        ++result_.photosNotCopied;
        return {};
    }
    switch (copyStoredPhoto(photosFolder_, photoPath, photoFolder_ / name)) {
        case CopyOutcome::Copied:
            ++result_.photosCopied;
            break;
        case CopyOutcome::TargetExists:
            break;
        case CopyOutcome::Failed:
            ++result_.photosNotCopied;
            break;
    }
    return name;
}

ArchiveSaveResult ArchiveWriter::finish() {
    if (!printer_) {
        result_.ok = false;
        if (result_.error.empty()) {
            result_.error = cannotWrite(archive_, "the archive was not started");
        }
        return result_;
    }
    printer_->CloseElement();  // track
    printer_.reset();
    if (!file_.commit(result_.error)) {
        result_.ok = false;
    }
    return result_;
}

ArchiveSaveResult saveArchive(const std::filesystem::path& archive,
                              const std::vector<TrackHeader>& tracks,
                              const std::filesystem::path& photosFolder) {
    ArchiveWriter writer(archive, photosFolder);
    std::optional<int32_t> timezone;
    if (!tracks.empty()) {
        timezone = tracks.back().tzome;
    }
    if (!writer.begin(timezone)) {
        return writer.finish();
    }
    for (const TrackHeader& track : tracks) {
        writer.write(track);
    }
    return writer.finish();
}

ArchiveSaveResult saveStoredTracks(const std::filesystem::path& archive, TrackDatabase& db,
                                   const std::vector<TrackHeader>& headers,
                                   const std::filesystem::path& photosFolder) {
    ArchiveWriter writer(archive, photosFolder);
    std::optional<int32_t> timezone;
    if (!headers.empty()) {
        timezone = headers.back().tzome;
    }
    if (!writer.begin(timezone)) {
        return writer.finish();
    }
    for (const TrackHeader& header : headers) {
        TrackHeader track = header;
        track.points = db.readTrackPoints(track.objid);
        writer.write(track);
    }
    return writer.finish();
}

}  // namespace vandrel
