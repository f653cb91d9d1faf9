#pragma once
// Where an iframe's `src` leads. A relative address is resolved against the address of the
// document holding the iframe, as a browser resolves it: beside a file loaded from the
// program's folders, or, in a compiled resource or a document without an address, as a
// resource name first and then a file of the program folder. Whatever resolves outside the
// program's folders (an absolute path, ".." above the folder, a link leading elsewhere) is
// refused.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vandrel::ui {

// The address the frame loads: "res:NAME.TYPE", or a path relative to the program folder with
// "/" separators; empty when the model loads nothing for it (refused, or an http:, https: or
// file: address left to the engine).
std::string resolveFrameAddress(std::string_view base, std::string_view src);

// The bytes of a file named by a program-relative path, read only when the file really lies
// inside the program's folders; nothing otherwise.
std::optional<std::string> readProgramFile(const std::filesystem::path& folder,
                                           std::string_view address);

}  // namespace vandrel::ui
