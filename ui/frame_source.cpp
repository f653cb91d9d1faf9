#include "ui/frame_source.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/program_path.h"
#include "ui/element.h"

namespace vandrel::ui {
namespace fs = std::filesystem;

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// The scheme of an address ("res", "http"...), or empty for a relative one. A single letter
// before the colon is a drive, not a scheme.
std::string_view schemeOf(std::string_view address) {
    std::size_t colon = address.find(':');
    if (colon == std::string_view::npos || colon < 2 ||
        address.substr(0, colon).find('/') != std::string_view::npos) {
        return {};
    }
    return address.substr(0, colon);
}

bool inside(const fs::path& file, const fs::path& folder) {
    std::error_code ec;
    fs::path base = fs::weakly_canonical(folder, ec);
    if (ec) {
        return false;
    }
    fs::path rel = file.lexically_relative(base);
    return !rel.empty() && *rel.begin() != ".." && rel != ".";
}

}  // namespace

std::string resolveFrameAddress(std::string_view base, std::string_view src) {
    std::string s(src.substr(0, 2047));
    for (char& c : s) {
        c = c == '\\' ? '/' : c;
    }
    // The query and the fragment name no other file.
    s = s.substr(0, s.find_first_of("?#"));
    if (s.empty() || s.find('\0') != std::string::npos) {
        return {};
    }
    std::string_view scheme = schemeOf(s);
    if (!scheme.empty()) {
        return equalsIgnoreCase(scheme, "res") ? s : std::string();
    }
    if (s.front() == '/' || s.find(':') != std::string::npos) {
        return {};  // an absolute path or a drive: outside the program's folders
    }
    fs::path folder;
    if (!base.empty() && !startsWith(base, "res:")) {
        if (!schemeOf(base).empty()) {
            return {};  // a page of the engine's: nothing of the program's beside it
        }
        std::string b(base);
        for (char& c : b) {
            c = c == '\\' ? '/' : c;
        }
        folder = fs::path(b.substr(0, b.find_first_of("?#"))).parent_path();
    }
    fs::path joined = (folder / s).lexically_normal();
    if (joined.empty() || joined.is_absolute() || *joined.begin() == "..") {
        return {};
    }
    std::string out = joined.generic_string();
    return out == "." || out.back() == '/' ? std::string() : out;
}

std::optional<std::string> readProgramFile(const fs::path& folder, std::string_view address) {
    fs::path path = DataFolder(folder).file(address);
    std::error_code ec;
    fs::path file = fs::canonical(path, ec);
    if (ec || !fs::is_regular_file(file, ec)) {
        return std::nullopt;
    }
    bool allowed = inside(file, folder);
    for (const char* shipped : {"Html", "images", "pois"}) {
        allowed = allowed || inside(file, resourceFolder() / shipped);
    }
    if (!allowed) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace vandrel::ui
