#include "core/program_path.h"

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

fs::path userDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    fs::path base;
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = fs::path(home != nullptr ? home : "/tmp") / ".local" / "share";
    }
    return base / "vandrel";
}

}  // namespace

fs::path executableFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : exe.parent_path();
}

bool isPortableFolder(const fs::path& folder) {
    std::error_code ec;
    return fs::is_directory(folder / "Html", ec) && ::access(folder.c_str(), W_OK) == 0;
}

fs::path programFolder() {
    return programFolderFor(executableFolder());
}

fs::path programFolderFor(const fs::path& exe) {
    if (isPortableFolder(exe)) {
        return exe;
    }
    const fs::path data = userDataFolder();
    std::error_code ec;
    fs::create_directories(data, ec);
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
    for (const char* name : {"Vandrel.db", "Vandrel.db-journal", "Vandrel.db-wal", "Vandrel.db-shm",
                             "settings.xml", "temp.hdr", "temp.log"}) {
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
