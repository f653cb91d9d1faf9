#pragma once
// Photo files travelling with a track archive: which names an archive may give, the
// time-stamp names loaded photos get, and copying that never leaves part of a file under its
// name.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

#include "core/ole_date.h"
#include "core/photo_stamps.h"

namespace vandrel {

// The file name part of a stored photo path: what follows the last '/' or '\' (a path kept
// by the program on another system may use either).
std::string photoFileName(const std::string& photoPath);

// A name an archive may give for a photo: one plain file name, nothing that could lead out of
// the archive's photo folder (no '/', '\', NUL or other control character, not "." or "..",
// not empty, at most 255 bytes).
bool isPlainFileName(std::string_view name);

// The extension of a plain name with its dot (".jpg"), when it is made of 1 to 16 letters and
// digits; otherwise empty, and the loaded photo gets no extension.
std::string plainExtension(std::string_view name);

enum class CopyOutcome { Copied, TargetExists, Failed };

enum class SourceLinks { Follow, Refuse };

// Copies a plain file (a device or a pipe is refused, and so is a symbolic link when links
// are refused) to target, which must not exist yet (TargetExists otherwise). The target's name
// only ever shows a whole copy: a failed or killed copy leaves no target behind. When error is
// given, it receives the reason of a failed copy.
CopyOutcome copyNewFile(const std::filesystem::path& source, const std::filesystem::path& target,
                        SourceLinks links, std::error_code* error = nullptr);

// Opens for reading the photo a stored `pho` names. Only the file of its last name directly
// inside photosFolder is ever read, and only a plain file that is no link: a database received
// from someone else may name any file of the user's ("/etc/passwd", "../../secret.txt"), and an
// export must not carry those away. -1 when there is no such file.
int openStoredPhoto(const std::filesystem::path& photosFolder, const std::string& pho);

// A copy of a stored photo, read as openStoredPhoto reads it; Failed when it cannot be. A file
// at target is kept (TargetExists) only when it is a plain file of the photo's size: anything
// else there, such as a copy cut short, is replaced.
CopyOutcome copyStoredPhoto(const std::filesystem::path& photosFolder, const std::string& pho,
                            const std::filesystem::path& target);

// Makes the program's photos folder when it is missing. A "photos" that is not a real folder
// (a symbolic link to another place, a file) is refused, since copies into it would land
// elsewhere: the reason, or empty when the folder is ready.
std::string preparePhotosFolder(const std::filesystem::path& folder);

}  // namespace vandrel
