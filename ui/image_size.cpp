#include "ui/image_size.h"

namespace vandrel::ui {
namespace {

ImageSizeReader& installed() {
    static ImageSizeReader reader;
    return reader;
}

}  // namespace

void setImageSizeReader(ImageSizeReader reader) {
    installed() = std::move(reader);
}

std::optional<ImageSize> readImageSize(const std::filesystem::path& file) {
    const ImageSizeReader& reader = installed();
    if (!reader) {
        return std::nullopt;
    }
    std::optional<ImageSize> size = reader(file);
    // A header that claims no pixels describes nothing that can be shown.
    if (size && (size->width <= 0 || size->height <= 0)) {
        return std::nullopt;
    }
    return size;
}

}  // namespace vandrel::ui
