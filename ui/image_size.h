#pragma once
// The pixel size of an image file, read from its header without decoding the picture. Which
// formats can be read is the platform's business: the desktop program installs a reader at
// start; without one (a command-line build, a test that sets none) no file has a size.

#include <filesystem>
#include <functional>
#include <optional>

namespace vandrel::ui {

struct ImageSize {
    int width = 0;
    int height = 0;
};

// Answers the size of a readable image, or nothing for a file that is missing, unreadable or
// not an image of a known format.
using ImageSizeReader = std::function<std::optional<ImageSize>(const std::filesystem::path&)>;

void setImageSizeReader(ImageSizeReader reader);
std::optional<ImageSize> readImageSize(const std::filesystem::path& file);

}  // namespace vandrel::ui
