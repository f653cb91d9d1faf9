#pragma once
// Where the program keeps its files.
//
// Portable mode: when the executable's folder holds `Html/` and is writable, every file lives
// beside the executable, as it always did. Installed mode: the read-only files (`Html/`,
// `images/`, `pois/`) come from `<prefix>/share/vandrel/` and the user's files (`Vandrel.db`,
// `settings.xml`, `temp.hdr`, `temp.log`, `erase.bin`, `photos/`) from
// `$XDG_DATA_HOME/vandrel/` (default `~/.local/share/vandrel/`).
//
// programFolder() gives the user's folder by that rule; the command-line tool's `--data-dir`
// and the tests choose another. A running program holds the one it uses as a DataFolder (in its
// session), which is how every part reaches the user's files: two programs' folders can be open
// side by side in one process.

#include <filesystem>
#include <string>
#include <string_view>

namespace vandrel {

std::filesystem::path executableFolder();
bool isPortableFolder(const std::filesystem::path& folder);

// The folder of the user's files by the rule above; created on first use in installed mode.
// Empty when there is none to use, and `error` says why (see makeProgramFolder).
std::filesystem::path programFolder(std::string& error);
// The same rule for a program installed in the given folder (no override applies).
std::filesystem::path programFolderFor(const std::filesystem::path& executableFolder,
                                       std::string& error);
// The installed mode's folder, not yet made: `$XDG_DATA_HOME/vandrel`, else
// `~/.local/share/vandrel` with the home folder from HOME or the user database. Empty, with the
// reason in `error`, when the user has no home folder.
std::filesystem::path userDataFolder(std::string& error);
// Makes `folder` (and the folders above it) when missing. False, with the reason in `error`
// ("Cannot use the program folder PATH: ..."), when it is no folder, cannot be made, or its path
// is too long for the database.
bool makeProgramFolder(const std::filesystem::path& folder, std::string& error);
// The folder of the read-only files shipped with the program.
std::filesystem::path resourceFolder();

// A shipped file (a name under Html/, images/ or pois/) in the resource folder. Backslashes in
// the name are taken as folder separators.
std::filesystem::path programPath(std::string_view name);

// The folder of one program's user files.
class DataFolder {
  public:
    explicit DataFolder(std::filesystem::path root) : root_(std::move(root)) {}

    const std::filesystem::path& root() const { return root_; }
    // A name below the folder ("Vandrel.db", "photos", "photos\\a.jpg"); names of shipped
    // files resolve as programPath resolves them.
    std::filesystem::path file(std::string_view name) const;
    std::filesystem::path photos() const { return root_ / "photos"; }

    // When `path` names one of the program's own files here (Vandrel.db and its journals,
    // settings.xml, mapsources.xml, temp.hdr, temp.log, vandrel.lock, or a file in photos/), by any
    // spelling, link or hard link: that file's name, else empty. An export written there would
    // destroy what the program keeps.
    std::string ownFileAt(const std::filesystem::path& path) const;
    // The refusal of a write over one of them ("Cannot write PATH: it is the program's own
    // file NAME; ..."), empty when `path` is no such file.
    std::string refusedWrite(const std::filesystem::path& path) const;

  private:
    std::filesystem::path root_;
};

}  // namespace vandrel
