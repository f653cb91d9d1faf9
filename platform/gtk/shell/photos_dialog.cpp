// The dialogs of "Add Photos by Time...": a file chooser that takes files or a whole folder,
// and the preview of where each photo goes, which follows the offset and gap as they change.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gtk/shell/gtk_parts.h"

namespace vandrel::gtk {
namespace {

constexpr int kWholeFolder = 1;
constexpr int kThumbWidth = 96;
constexpr int kThumbHeight = 72;

enum Column { Thumbnail, Name, Taken, PointTime, Distance, Note, Columns };

// Scales a picture being decoded to fit the thumbnail's box; the JPEG loader then decodes at a
// fraction of the size instead of the whole picture.
void fitThumbnail(GdkPixbufLoader* loader, gint width, gint height, gpointer) {
    if (width <= 0 || height <= 0) {
        return;
    }
    const double scale = std::min(static_cast<double>(kThumbWidth) / width,
                                  static_cast<double>(kThumbHeight) / height);
    if (scale < 1) {
        gdk_pixbuf_loader_set_size(loader, std::max(1, static_cast<int>(width * scale)),
                                   std::max(1, static_cast<int>(height * scale)));
    }
}

// The camera's embedded preview when it has one, else the picture itself scaled; null for a
// file no loader reads.
GdkPixbuf* thumbnailOf(const tracks::PreviewPhoto& photo) {
    if (!photo.thumbnail.empty()) {
        GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
        g_signal_connect(loader, "size-prepared", G_CALLBACK(fitThumbnail), nullptr);
        const auto* bytes = reinterpret_cast<const guchar*>(photo.thumbnail.data());
        GdkPixbuf* pixbuf = nullptr;
        if (gdk_pixbuf_loader_write(loader, bytes, photo.thumbnail.size(), nullptr) &&
            gdk_pixbuf_loader_close(loader, nullptr)) {
            pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
            if (pixbuf != nullptr) {
                g_object_ref(pixbuf);
            }
        } else {
            gdk_pixbuf_loader_close(loader, nullptr);
        }
        g_object_unref(loader);
        if (pixbuf != nullptr) {
            return pixbuf;
        }
    }
    return gdk_pixbuf_new_from_file_at_scale(photo.path.c_str(), kThumbWidth, kThumbHeight, TRUE,
                                             nullptr);
}

GtkListStore* photoStore(const std::vector<tracks::PreviewPhoto>& photos) {
    GtkListStore* store = gtk_list_store_new(Columns, GDK_TYPE_PIXBUF, G_TYPE_STRING, G_TYPE_STRING,
                                             G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING);
    for (const tracks::PreviewPhoto& photo : photos) {
        GdkPixbuf* thumbnail = thumbnailOf(photo);
        char* name = g_path_get_basename(photo.path.c_str());
        GtkTreeIter row;
        gtk_list_store_append(store, &row);
        gtk_list_store_set(store, &row, Thumbnail, thumbnail, Name, name, Taken,
                           photo.taken.c_str(), -1);
        g_free(name);
        if (thumbnail != nullptr) {
            g_object_unref(thumbnail);
        }
    }
    return store;
}

GtkWidget* photoList(GtkListStore* store) {
    GtkWidget* view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
    gtk_tree_view_append_column(
        GTK_TREE_VIEW(view), gtk_tree_view_column_new_with_attributes(
                                 "", gtk_cell_renderer_pixbuf_new(), "pixbuf", Thumbnail, nullptr));
    const std::pair<const char*, Column> texts[] = {{"Photo", Name},
                                                    {"Taken", Taken},
                                                    {"Point", PointTime},
                                                    {"Along the track", Distance},
                                                    {"", Note}};
    for (const auto& [title, column] : texts) {
        gtk_tree_view_append_column(
            GTK_TREE_VIEW(view), gtk_tree_view_column_new_with_attributes(
                                     title, gtk_cell_renderer_text_new(), "text", column, nullptr));
    }
    return view;
}

// The preview's fields and list, and the places shown for the settings in the fields.
struct Preview {
    const tracks::PhotosByTimeDialog::Matcher* match = nullptr;
    GtkListStore* store = nullptr;
    GtkWidget* offset = nullptr;
    GtkWidget* gap = nullptr;
    GtkWidget* summary = nullptr;
    GtkWidget* attach = nullptr;
    MatchSettings settings;

    void update() {
        const std::optional<int> seconds = parseClockOffset(gtk_entry_get_text(GTK_ENTRY(offset)));
        gtk_widget_set_sensitive(attach, seconds.has_value());
        if (!seconds) {
            gtk_label_set_text(GTK_LABEL(summary), "The offset reads [+|-][HH:]MM:SS.");
            return;
        }
        settings.cameraOffsetSeconds = *seconds;
        settings.maxGapSeconds = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(gap));
        const std::vector<tracks::PreviewPlace> places = (*match)(settings);
        GtkTreeIter row;
        int placed = 0;
        bool more = gtk_tree_model_get_iter_first(GTK_TREE_MODEL(store), &row);
        for (std::size_t i = 0; more && i < places.size(); ++i) {
            const tracks::PreviewPlace& place = places[i];
            placed += place.pointTime.empty() ? 0 : 1;
            gtk_list_store_set(store, &row, PointTime, place.pointTime.c_str(), Distance,
                               place.distance.c_str(), Note, place.note.c_str(), -1);
            more = gtk_tree_model_iter_next(GTK_TREE_MODEL(store), &row);
        }
        const std::string text = std::to_string(placed) + " of " + std::to_string(places.size()) +
                                 " photos placed on the track.";
        gtk_label_set_text(GTK_LABEL(summary), text.c_str());
    }
    static void changed(GtkWidget*, gpointer self) { static_cast<Preview*>(self)->update(); }
};

GtkWidget* settingsRow(Preview& preview, const MatchSettings& start, GtkWidget* writePosition) {
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    preview.offset = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(preview.offset), 10);
    gtk_entry_set_text(GTK_ENTRY(preview.offset),
                       clockOffsetText(start.cameraOffsetSeconds).c_str());
    preview.gap = gtk_spin_button_new_with_range(0, 86400, 10);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(preview.gap), start.maxGapSeconds);
    gtk_box_pack_start(GTK_BOX(row), gtk_label_new("Camera offset (camera minus true time):"),
                       FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), preview.offset, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), gtk_label_new("Largest gap (seconds):"), FALSE, FALSE, 6);
    gtk_box_pack_start(GTK_BOX(row), preview.gap, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), writePosition, FALSE, FALSE, 6);
    return row;
}

}  // namespace

std::vector<std::string> GtkPhotosDialog::choosePhotos() {
    hideTooltips();
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        "Add Photos by Time", parent_ != nullptr ? GTK_WINDOW(parent_) : nullptr,
        GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel", GTK_RESPONSE_CANCEL, "Whole _Folder", kWholeFolder,
        "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_select_multiple(chooser, TRUE);
    std::vector<std::string> chosen;
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    if (response == GTK_RESPONSE_ACCEPT) {
        GSList* names = gtk_file_chooser_get_filenames(chooser);
        for (GSList* name = names; name != nullptr; name = name->next) {
            chosen.emplace_back(static_cast<char*>(name->data));
        }
        g_slist_free_full(names, g_free);
    } else if (response == kWholeFolder) {
        if (char* folder = gtk_file_chooser_get_current_folder(chooser)) {
            chosen.emplace_back(folder);
            g_free(folder);
        }
    }
    gtk_widget_destroy(dialog);
    return chosen;
}

std::optional<tracks::PhotosChoice> GtkPhotosDialog::preview(
    const std::vector<tracks::PreviewPhoto>& photos, const MatchSettings& start,
    const Matcher& match) {
    hideTooltips();
    GtkWidget* dialog = gtk_dialog_new_with_buttons(
        "Add Photos by Time", parent_ != nullptr ? GTK_WINDOW(parent_) : nullptr,
        static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), "_Cancel",
        GTK_RESPONSE_CANCEL, "_Attach", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_window_set_default_size(GTK_WINDOW(dialog), 820, 520);
    Preview preview;
    preview.match = &match;
    preview.store = photoStore(photos);
    preview.summary = gtk_label_new("");
    preview.attach = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    GtkWidget* writePosition =
        gtk_check_button_new_with_label("Write the position into the copies");
    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_container_add(GTK_CONTAINER(scrolled), photoList(preview.store));
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_container_set_border_width(GTK_CONTAINER(content), 8);
    gtk_box_set_spacing(GTK_BOX(content), 6);
    gtk_box_pack_start(GTK_BOX(content), settingsRow(preview, start, writePosition), FALSE, FALSE,
                       0);
    gtk_box_pack_start(GTK_BOX(content), preview.summary, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(content), scrolled, TRUE, TRUE, 0);
    preview.update();
    g_signal_connect(preview.offset, "changed", G_CALLBACK(Preview::changed), &preview);
    g_signal_connect(preview.gap, "value-changed", G_CALLBACK(Preview::changed), &preview);
    gtk_widget_show_all(dialog);
    std::optional<tracks::PhotosChoice> choice;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        choice = tracks::PhotosChoice{
            preview.settings,
            gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(writePosition)) != FALSE};
    }
    gtk_widget_destroy(dialog);
    g_object_unref(preview.store);
    return choice;
}

}  // namespace vandrel::gtk
