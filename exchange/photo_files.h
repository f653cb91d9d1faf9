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

// The same, except that a file at target is kept (TargetExists) only when it is a plain file
// of the source's size: anything else there, such as a copy cut short, is replaced.
CopyOutcome copyOverPartFile(const std::filesystem::path& source,
                             const std::filesystem::path& target, SourceLinks links,
                             std::error_code* error = nullptr);

}  // namespace vandrel
