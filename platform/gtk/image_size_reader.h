#pragma once
// The desktop program's reader of image sizes (ui/image_size.h): gdk-pixbuf reads the size from
// the file's header, in every format its loaders know; a photo tagged as turned a quarter gets
// the size it is shown at, its width and height swapped.

#include <filesystem>
#include <optional>

#include "ui/image_size.h"

namespace vandrel::gtk {

std::optional<ui::ImageSize> pixbufImageSize(const std::filesystem::path& file);

// Makes pixbufImageSize the program's reader.
void installImageSizeReader();

}  // namespace vandrel::gtk
