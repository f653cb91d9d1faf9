#include "platform/gtk/image_size_reader.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstring>

namespace vandrel::gtk {

namespace {

// A camera held upright stores its picture sideways with an orientation tag (5 to 8: turned a
// quarter), and the page shows the picture turned as the tag says. Only the formats that carry
// the tag are decoded for it, at a tiny size.
bool shownSideways(const std::filesystem::path& file, GdkPixbufFormat* format) {
    gchar* name = gdk_pixbuf_format_get_name(format);
    const bool tagged = std::strcmp(name, "jpeg") == 0 || std::strcmp(name, "tiff") == 0;
    g_free(name);
    if (!tagged) {
        return false;
    }
    GdkPixbuf* small = gdk_pixbuf_new_from_file_at_size(file.c_str(), 8, 8, nullptr);
    if (small == nullptr) {
        return false;
    }
    const char* orientation = gdk_pixbuf_get_option(small, "orientation");
    const bool sideways = orientation != nullptr && orientation[0] >= '5' &&
                          orientation[0] <= '8' && orientation[1] == '\0';
    g_object_unref(small);
    return sideways;
}

}  // namespace

std::optional<ui::ImageSize> pixbufImageSize(const std::filesystem::path& file) {
    gint width = 0;
    gint height = 0;
    // The format belongs to gdk-pixbuf and is not freed.
    GdkPixbufFormat* format = gdk_pixbuf_get_file_info(file.c_str(), &width, &height);
    if (format == nullptr) {
        return std::nullopt;
    }
    if (shownSideways(file, format)) {
        return ui::ImageSize{height, width};
    }
    return ui::ImageSize{width, height};
}

void installImageSizeReader() {
    ui::setImageSizeReader(pixbufImageSize);
}

}  // namespace vandrel::gtk
