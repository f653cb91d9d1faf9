#include "core/program_path.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace vandrel {
namespace fs = std::filesystem;

namespace {

fs::path& overrideFolder() {
    static fs::path folder;
    return folder;
}

bool isResourceName(std::string_view name) {
    for (std::string_view prefix : {"Html/", "images/", "pois/"}) {
        if (name.substr(0, prefix.size()) == prefix) {
            return true;
        }
    }
    return false;
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
    if (!overrideFolder().empty()) {
        return overrideFolder();
    }
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
    std::string normalised(name);
    for (char& c : normalised) {
        if (c == '\\') {
            c = '/';
        }
    }
    if (isResourceName(normalised)) {
        return resourceFolder() / normalised;
    }
    return programFolder() / normalised;
}

void setProgramFolder(const fs::path& folder) {
    overrideFolder() = folder;
}

}  // namespace vandrel
