#include "platform/gtk/image_size_reader.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

namespace vandrel::gtk {

std::optional<ui::ImageSize> pixbufImageSize(const std::filesystem::path& file) {
    gint width = 0;
    gint height = 0;
    // The format belongs to gdk-pixbuf and is not freed.
    if (gdk_pixbuf_get_file_info(file.c_str(), &width, &height) == nullptr) {
        return std::nullopt;
    }
    return ui::ImageSize{width, height};
}

void installImageSizeReader() {
    ui::setImageSizeReader(pixbufImageSize);
}

}  // namespace vandrel::gtk
