#include "flows/point_photos.h"

#include <string>
#include <system_error>

#include "exchange/photo_copies_journal.h"
#include "exchange/photo_files.h"
#include "flows/device_command.h"
#include "flows/folder_lock.h"
#include "flows/stored_track_queries.h"
#include "store/sqlite_db.h"

namespace vandrel {
namespace fs = std::filesystem;
namespace {

constexpr int kNameAttempts = 100;

// Why a copy into the photos folder did not happen, as the notice's second line.
std::string copyFailure(const fs::path& source, const fs::path& folder,
                        const std::error_code& error) {
    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) {
        return source.string() + " is not a file that can be copied.";
    }
    return "Copying " + source.string() + " into " + folder.string() +
           " failed: " + error.message();
}

Outcome notAttached(UserPrompt& prompt, const std::string& why) {
    prompt.notice(kPhotoNotAttachedText, why);
    Outcome outcome;
    outcome.error = why;
    return outcome;
}

}  // namespace

Outcome attachPointPhoto(UserPrompt& prompt, Session& session, TrackPoint& point,
                         const fs::path& source, PhotoStamps& stamps,
                         const std::function<void()>& copied) {
    const fs::path folder = session.folder().photos();
    if (const std::string why = preparePhotosFolder(folder); !why.empty()) {
        return notAttached(prompt, why);
    }
    std::error_code error;
    const std::string extension = plainExtension(source.filename().string());
    CopyOutcome outcome = CopyOutcome::TargetExists;
    fs::path target;
    // A name already taken (a photo attached or loaded within the same millisecond, a file
    // from elsewhere) moves on to the next millisecond.
    // Each name is listed before its copy is made: a kill before the point is stored leaves a
    // copy that the next run removes (photo_copies_journal.h).
    PhotoCopiesJournal journal(folder);
    for (int attempt = 0; attempt < kNameAttempts && outcome == CopyOutcome::TargetExists;
         ++attempt) {
        target = folder / (stamps.next() + extension);
        journal.note(target.filename().string());
        outcome = copyNewFile(source, target, SourceLinks::Follow, &error);
    }
    if (outcome != CopyOutcome::Copied) {
        return notAttached(prompt, outcome == CopyOutcome::TargetExists
                                       ? "No free name was found in " + folder.string() + "."
                                       : copyFailure(source, folder, error));
    }
    if (copied) {
        copied();
    }
    // The old photo goes only once the new one is stored in its place.
    const std::string old = point.pho;
    point.pho = target.string();
    try {
        session.database().updatePoint(point);
    } catch (const CppSQLite3Exception& e) {
        point.pho = old;
        fs::remove(target, error);
        return commandFailed(prompt, std::string("Storing the photo failed: ") + e.errorMessage());
    }
    if (!old.empty()) {
        deletePhotoFile(session.folder(), old);
    }
    return commandDone(OutcomeKind::Complete);
}

Outcome attachPhotoToPoint(UserPrompt& prompt, Session& session, TrackPoint& point,
                           const fs::path& source, PhotoStamps& stamps,
                           const std::function<void()>& copied) {
    std::string lockError;
    const auto folderLock = holdProgramFolder(prompt, session.folder(), lockError);
    if (!folderLock) {
        return notAttached(prompt, lockError + ".");
    }
    removeCopiesOfKilledRun(session.folder().photos(), session.database());
    return attachPointPhoto(prompt, session, point, source, stamps, copied);
}

Outcome removePointPhoto(Session& session, TrackPoint& point) {
    // The row first: a photo whose row still names it is not deleted.
    const std::string old = point.pho;
    point.pho.clear();
    try {
        session.database().updatePoint(point);
    } catch (const CppSQLite3Exception& e) {
        point.pho = old;
        Outcome failed;
        failed.error = std::string("Removing the photo failed: ") + e.errorMessage();
        return failed;
    }
    deletePhotoFile(session.folder(), old);
    return commandDone(OutcomeKind::Complete);
}

}  // namespace vandrel
