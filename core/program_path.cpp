#include "core/program_path.h"

#include "core/program_folder_lock.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <cstdlib>
#include <string>
#include <system_error>

namespace vandrel {
namespace fs = std::filesystem;

namespace {

bool isResourceName(std::string_view name) {
    for (std::string_view prefix : {"Html/", "images/", "pois/"}) {
        if (name.substr(0, prefix.size()) == prefix) {
            return true;
        }
    }
    return false;
}

std::string withSlashes(std::string_view name) {
    std::string normalised(name);
    std::replace(normalised.begin(), normalised.end(), '\\', '/');
    return normalised;
}

// SQLite refuses a database whose full path, with 8 bytes to spare, exceeds 512 bytes; past
// that it only says "unable to open database file".
constexpr size_t kMostDatabasePathBytes = 512 - 8;
constexpr std::string_view kDatabaseName = "/Vandrel.db";

std::string cannotUse(const fs::path& folder, const std::string& reason) {
    return "Cannot use the program folder " + folder.string() + ": " + reason;
}

// The nearest existing part of `folder`, when it is no folder: why the folder cannot be made.
std::string notAFolderOnTheWay(const fs::path& folder) {
    std::error_code ec;
    for (fs::path above = folder; !above.empty(); above = above.parent_path()) {
        const fs::file_status status = fs::status(above, ec);
        if (fs::exists(status)) {
            return fs::is_directory(status) ? std::string() : above.string() + " is not a folder";
        }
        if (above == above.parent_path()) {
            break;
        }
    }
    return {};
}

}  // namespace

fs::path userDataFolder(std::string& error) {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return fs::path(xdg) / "vandrel";
    }
    // Without HOME (a service, `env -i`) the home folder is the one the user database names;
    // a shared folder such as /tmp would let other users read and replace the user's files.
    fs::path home;
    if (const char* fromEnvironment = std::getenv("HOME");
        fromEnvironment != nullptr && fromEnvironment[0] == '/') {
        home = fromEnvironment;
    } else if (const passwd* user = ::getpwuid(::getuid());
               user != nullptr && user->pw_dir != nullptr && user->pw_dir[0] == '/') {
        home = user->pw_dir;
    } else {
        error =
            "No folder for the program's files: neither HOME nor XDG_DATA_HOME is set, and the "
            "user has no home folder. Name one with --data-dir.";
        return {};
    }
    return home / ".local" / "share" / "vandrel";
}

bool makeProgramFolder(const fs::path& folder, std::string& error) {
    std::error_code ec;
    fs::path full = fs::absolute(folder, ec);
    if (!ec) {
        // Links in the path are followed to the database, and count with their target.
        const fs::path resolved = fs::weakly_canonical(full, ec);
        full = ec ? full : resolved;
    }
    const size_t bytes = full.native().size() + kDatabaseName.size();
    if (bytes > kMostDatabasePathBytes) {
        error =
            cannotUse(folder, "the path is too long (" + std::to_string(bytes) + " bytes with " +
                                  std::string(kDatabaseName.substr(1)) + "; the database accepts " +
                                  std::to_string(kMostDatabasePathBytes) + ")");
        return false;
    }
    ec.clear();
    fs::create_directories(folder, ec);
    std::error_code isFolder;
    if (fs::is_directory(folder, isFolder)) {
        return true;
    }
    std::string reason = notAFolderOnTheWay(folder);
    if (reason.empty()) {
        reason = ec ? ec.message() : "it cannot be made";
    }
    error = cannotUse(folder, reason);
    return false;
}

fs::path executableFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : exe.parent_path();
}

bool isPortableFolder(const fs::path& folder) {
    std::error_code ec;
    return fs::is_directory(folder / "Html", ec) && ::access(folder.c_str(), W_OK) == 0;
}

fs::path programFolder(std::string& error) {
    return programFolderFor(executableFolder(), error);
}

fs::path programFolderFor(const fs::path& exe, std::string& error) {
    if (isPortableFolder(exe)) {
        return exe;
    }
    const fs::path data = userDataFolder(error);
    if (data.empty()) {
        return {};
    }
    if (!makeProgramFolder(data, error)) {
        if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
            error += " (XDG_DATA_HOME is " + std::string(xdg) + ")";
        }
        return {};
    }
    return data;
}

fs::path resourceFolder() {
    const fs::path exe = executableFolder();
    if (isPortableFolder(exe)) {
        return exe;
    }
    return exe.parent_path() / "share" / "vandrel";
}

fs::path programPath(std::string_view name) {
    return resourceFolder() / withSlashes(name);
}

fs::path DataFolder::file(std::string_view name) const {
    const std::string normalised = withSlashes(name);
    return isResourceName(normalised) ? resourceFolder() / normalised : root_ / normalised;
}

std::string DataFolder::refusedWrite(const fs::path& path) const {
    const std::string own = ownFileAt(path);
    if (own.empty()) {
        return {};
    }
    return "Cannot write " + path.string() + ": it is the program's own file " + own +
           "; choose another name. Nothing was written.";
}

std::string DataFolder::ownFileAt(const fs::path& path) const {
    std::error_code ec;
    const fs::path target = fs::weakly_canonical(fs::absolute(path, ec), ec);
    if (ec) {
        return {};
    }
    struct stat targetStat {};
    const bool exists = ::stat(path.c_str(), &targetStat) == 0;
    // The lock file too: replaced, it would no longer be the file a running command holds, and
    // the next command would take its own lock beside that one.
    for (const char* name :
         {"Vandrel.db", "Vandrel.db-journal", "Vandrel.db-wal", "Vandrel.db-shm", "settings.xml",
          "mapsources.xml", "temp.hdr", "temp.log", kProgramFolderLockName}) {
        const fs::path own = root_ / name;
        if (fs::weakly_canonical(own, ec) == target) {
            return name;
        }
        struct stat ownStat {};
        if (exists && ::stat(own.c_str(), &ownStat) == 0 && ownStat.st_dev == targetStat.st_dev &&
            ownStat.st_ino == targetStat.st_ino) {
            return name;
        }
    }
    const fs::path photos = fs::weakly_canonical(this->photos(), ec);
    if (!ec && target != photos) {
        const auto [photoEnd, targetAt] =
            std::mismatch(photos.begin(), photos.end(), target.begin(), target.end());
        if (photoEnd == photos.end()) {
            return "photos/" + target.filename().string();
        }
    }
    return {};
}

}  // namespace vandrel
