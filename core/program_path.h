#pragma once
// Where the program keeps its files.
//
// Portable mode: when the executable's folder holds `Html/` and is writable, every file lives
// beside the executable, as it always did. Installed mode: the read-only files (`Html/`,
// `images/`, `pois/`) come from `<prefix>/share/vandrel/` and the user's files (`Vandrel.db`,
// `settings.xml`, `temp.hdr`, `temp.log`, `erase.bin`, `photos/`) from
// `$XDG_DATA_HOME/vandrel/` (default `~/.local/share/vandrel/`).
//
// programPath(name) is the one place that decides; the command-line tool's `--data-dir` and the
// tests move the user's files elsewhere with setProgramFolder.

#include <filesystem>
#include <string>
#include <string_view>

namespace vandrel {

std::filesystem::path executableFolder();
bool isPortableFolder(const std::filesystem::path& folder);

// The folder of the user's files; created on first use in installed mode.
std::filesystem::path programFolder();
// The same rule for a program installed in the given folder (no override applies).
std::filesystem::path programFolderFor(const std::filesystem::path& executableFolder);
// The folder of the read-only files shipped with the program.
std::filesystem::path resourceFolder();

// A name below the program folder; names under Html/, images/ and pois/ resolve to the
// resource folder. Backslashes in the name are taken as folder separators.
std::filesystem::path programPath(std::string_view name);

// When `path` names one of the program's own files (Vandrel.db and its journals, settings.xml,
// temp.hdr, temp.log, or a file in photos/), by any spelling, link or hard link: that file's
// name, else empty. An export written there would destroy what the program keeps.
std::string programFileAt(const std::filesystem::path& path);

// Overrides the folder of the user's files (empty path: back to the rule above).
void setProgramFolder(const std::filesystem::path& folder);

}  // namespace vandrel
