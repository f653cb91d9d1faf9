// The dialogs of "Add Photos by Time...": a file chooser that takes files or a whole folder,
// and the preview of where each photo goes, which follows the offset and gap as they change.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gtk/shell/gtk_parts.h"
#include "platform/gtk/shell/photo_offset_dialog.h"
#include "platform/gtk/shell/photo_thumbnails.h"

namespace vandrel::gtk {
namespace {

constexpr int kWholeFolder = 1;

// Marks a dialog open for as long as it runs.
class OpenScope {
  public:
    explicit OpenScope(bool& open) : open_(open) { open_ = true; }
    ~OpenScope() { open_ = false; }
    OpenScope(const OpenScope&) = delete;
    OpenScope& operator=(const OpenScope&) = delete;

  private:
    bool& open_;
};

enum Column { Thumbnail, Name, Taken, PointTime, Distance, Note, Columns };

GtkListStore* photoStore(const std::vector<tracks::PreviewPhoto>& photos) {
    GtkListStore* store = gtk_list_store_new(Columns, GDK_TYPE_PIXBUF, G_TYPE_STRING, G_TYPE_STRING,
                                             G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING);
    for (const tracks::PreviewPhoto& photo : photos) {
        char* name = g_path_get_basename(photo.path.c_str());
        GtkTreeIter row;
        gtk_list_store_append(store, &row);
        gtk_list_store_set(store, &row, Name, name, Taken, photo.taken.c_str(), -1);
        g_free(name);
    }
    return store;
}

std::vector<ThumbnailSource> thumbnailSources(const std::vector<tracks::PreviewPhoto>& photos) {
    std::vector<ThumbnailSource> sources;
    sources.reserve(photos.size());
    for (const tracks::PreviewPhoto& photo : photos) {
        sources.push_back({photo.path, photo.thumbnail});
    }
    return sources;
}

GtkWidget* photoList(GtkListStore* store) {
    GtkWidget* view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
    // The column keeps the thumbnail's size while the thumbnails are still being decoded.
    GtkCellRenderer* thumbnail = gtk_cell_renderer_pixbuf_new();
    gtk_cell_renderer_set_fixed_size(thumbnail, PhotoThumbnails::kWidth + 4,
                                     PhotoThumbnails::kHeight + 4);
    gtk_tree_view_append_column(
        GTK_TREE_VIEW(view),
        gtk_tree_view_column_new_with_attributes("", thumbnail, "pixbuf", Thumbnail, nullptr));
    const std::pair<const char*, Column> texts[] = {{"Photo", Name},
                                                    {"Taken", Taken},
                                                    {"Point", PointTime},
                                                    {"Along the track", Distance},
                                                    {"", Note}};
    for (const auto& [title, column] : texts) {
        GtkCellRenderer* text = gtk_cell_renderer_text_new();
        if (column == Note) {
            // The longest note takes two lines of a row as tall as a thumbnail, rather than a
            // scroll sideways on a small screen.
            g_object_set(text, "wrap-mode", PANGO_WRAP_WORD, "wrap-width", 220, nullptr);
        }
        gtk_tree_view_append_column(GTK_TREE_VIEW(view), gtk_tree_view_column_new_with_attributes(
                                                             title, text, "text", column, nullptr));
    }
    return view;
}

// The preview's fields and list, and the places shown for the settings in the fields.
struct Preview {
    const std::vector<tracks::PreviewPhoto>* photos = nullptr;
    const tracks::PhotoPlaces* places = nullptr;
    GtkWidget* dialog = nullptr;
    GtkListStore* store = nullptr;
    GtkWidget* list = nullptr;
    GtkWidget* offset = nullptr;
    GtkWidget* fromPhoto = nullptr;
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
        const std::vector<tracks::PreviewPlace> shown = places->places(settings);
        GtkTreeIter row;
        int placed = 0;
        bool more = gtk_tree_model_get_iter_first(GTK_TREE_MODEL(store), &row);
        for (std::size_t i = 0; more && i < shown.size(); ++i) {
            const tracks::PreviewPlace& place = shown[i];
            placed += place.pointTime.empty() ? 0 : 1;
            gtk_list_store_set(store, &row, PointTime, place.pointTime.c_str(), Distance,
                               place.distance.c_str(), Note, place.note.c_str(), -1);
            more = gtk_tree_model_iter_next(GTK_TREE_MODEL(store), &row);
        }
        const std::string text = std::to_string(placed) + " of " + std::to_string(shown.size()) +
                                 " photos placed on the track.";
        gtk_label_set_text(GTK_LABEL(summary), text.c_str());
    }

    // The photo of the selected row, when it has a capture time to work from.
    std::optional<std::size_t> chosenPhoto() const {
        GtkTreeIter row;
        GtkTreeModel* model = nullptr;
        if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(list)),
                                             &model, &row)) {
            return std::nullopt;
        }
        GtkTreePath* path = gtk_tree_model_get_path(model, &row);
        const auto index = static_cast<std::size_t>(gtk_tree_path_get_indices(path)[0]);
        gtk_tree_path_free(path);
        return places->hasCaptureTime(index) ? std::optional(index) : std::nullopt;
    }

    // Asks for the point the selected photo was taken at and puts the offset that follows
    // into the field, which places the photos again.
    void offsetFromPhoto() {
        const std::optional<std::size_t> index = chosenPhoto();
        if (!index) {
            return;
        }
        OffsetPhoto photo;
        photo.index = *index;
        photo.taken = (*photos)[*index].taken;
        GtkTreeIter row;
        gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(store), &row, nullptr,
                                      static_cast<int>(*index));
        gchar* name = nullptr;
        gtk_tree_model_get(GTK_TREE_MODEL(store), &row, Name, &name, Thumbnail, &photo.thumbnail,
                           -1);
        photo.name = name != nullptr ? name : "";
        g_free(name);
        const std::optional<int> seconds = askOffsetFromPhoto(
            GTK_WINDOW(dialog), photo, *places, places->startingPoint(*index, settings));
        if (photo.thumbnail != nullptr) {
            g_object_unref(photo.thumbnail);
        }
        if (seconds) {
            gtk_entry_set_text(GTK_ENTRY(offset), clockOffsetText(*seconds).c_str());
        }
    }

    static void changed(GtkWidget*, gpointer self) { static_cast<Preview*>(self)->update(); }
    static void selected(GtkTreeSelection*, gpointer self) {
        auto* preview = static_cast<Preview*>(self);
        gtk_widget_set_sensitive(preview->fromPhoto, preview->chosenPhoto().has_value());
    }
    static void pressed(GtkWidget*, gpointer self) {
        static_cast<Preview*>(self)->offsetFromPhoto();
    }
    static void activated(GtkTreeView*, GtkTreePath*, GtkTreeViewColumn*, gpointer self) {
        static_cast<Preview*>(self)->offsetFromPhoto();
    }
};

// As large as the screen and the program's window allow up to a comfortable size: the rows
// are as tall as their thumbnails, and a small window (1024 x 700) should still show several
// of them without the dialog reaching past it.
void fitToScreen(GtkWindow* dialog, GtkWidget* parent) {
    GdkDisplay* display = gdk_display_get_default();
    GdkWindow* over = parent != nullptr ? gtk_widget_get_window(parent) : nullptr;
    GdkMonitor* monitor = over != nullptr ? gdk_display_get_monitor_at_window(display, over)
                                          : gdk_display_get_primary_monitor(display);
    GdkRectangle area{0, 0, 1024, 700};
    if (monitor != nullptr) {
        gdk_monitor_get_workarea(monitor, &area);
    }
    if (over != nullptr) {
        area.width = std::min(area.width, gdk_window_get_width(over));
        area.height = std::min(area.height, gdk_window_get_height(over));
    }
    gtk_window_set_default_size(dialog, std::min(960, area.width - 60),
                                std::min(760, area.height - 60));
}

// The camera offset with the button that works it out from a photo, then the largest gap and
// whether the copies get the position.
GtkWidget* settingsRows(Preview& preview, const MatchSettings& start, GtkWidget* writePosition) {
    GtkWidget* offsetRow = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    preview.offset = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(preview.offset), 10);
    gtk_entry_set_text(GTK_ENTRY(preview.offset),
                       clockOffsetText(start.cameraOffsetSeconds).c_str());
    preview.fromPhoto = gtk_button_new_with_mnemonic("Offset from This _Photo...");
    gtk_widget_set_tooltip_text(preview.fromPhoto,
                                "Select a photo, then show the track point where it was taken");
    gtk_widget_set_sensitive(preview.fromPhoto, FALSE);
    gtk_box_pack_start(GTK_BOX(offsetRow), gtk_label_new("Camera offset (camera minus true time):"),
                       FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(offsetRow), preview.offset, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(offsetRow), preview.fromPhoto, FALSE, FALSE, 6);

    GtkWidget* gapRow = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    preview.gap = gtk_spin_button_new_with_range(0, 86400, 10);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(preview.gap), start.maxGapSeconds);
    gtk_box_pack_start(GTK_BOX(gapRow), gtk_label_new("Largest gap (seconds):"), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(gapRow), preview.gap, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(gapRow), writePosition, FALSE, FALSE, 12);

    GtkWidget* rows = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_box_pack_start(GTK_BOX(rows), offsetRow, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(rows), gapRow, FALSE, FALSE, 0);
    return rows;
}

}  // namespace

std::vector<std::string> GtkPhotosDialog::choosePhotos() {
    hideTooltips();
    const ChooserFit fit(parent_);
    const OpenScope scope(open_);
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        "Add Photos by Time", parent_ != nullptr ? GTK_WINDOW(parent_) : nullptr,
        GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel", GTK_RESPONSE_CANCEL, "Whole _Folder", kWholeFolder,
        "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_select_multiple(chooser, TRUE);
    // The photos of one trip are often added in turns, from folders side by side.
    if (!folder_.empty()) {
        gtk_file_chooser_set_current_folder(chooser, folder_.c_str());
    }
    std::vector<std::string> chosen;
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    if (char* folder = gtk_file_chooser_get_current_folder(chooser)) {
        folder_ = folder;
        g_free(folder);
    }
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
    const tracks::PhotoPlaces& places) {
    hideTooltips();
    const OpenScope scope(open_);
    GtkWidget* dialog = gtk_dialog_new_with_buttons(
        "Add Photos by Time", parent_ != nullptr ? GTK_WINDOW(parent_) : nullptr,
        static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), "_Cancel",
        GTK_RESPONSE_CANCEL, "_Attach", GTK_RESPONSE_ACCEPT, nullptr);
    fitToScreen(GTK_WINDOW(dialog), parent_);
    Preview preview;
    preview.photos = &photos;
    preview.places = &places;
    preview.dialog = dialog;
    preview.store = photoStore(photos);
    preview.list = photoList(preview.store);
    preview.summary = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(preview.summary), 0);
    preview.attach = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    GtkWidget* writePosition =
        gtk_check_button_new_with_label("Write the position into the copies");
    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_container_add(GTK_CONTAINER(scrolled), preview.list);
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_container_set_border_width(GTK_CONTAINER(content), 8);
    gtk_box_set_spacing(GTK_BOX(content), 6);
    gtk_box_pack_start(GTK_BOX(content), settingsRows(preview, start, writePosition), FALSE, FALSE,
                       0);
    gtk_box_pack_start(GTK_BOX(content), preview.summary, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(content), scrolled, TRUE, TRUE, 0);
    preview.update();
    g_signal_connect(preview.offset, "changed", G_CALLBACK(Preview::changed), &preview);
    g_signal_connect(preview.gap, "value-changed", G_CALLBACK(Preview::changed), &preview);
    g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(preview.list)), "changed",
                     G_CALLBACK(Preview::selected), &preview);
    g_signal_connect(preview.fromPhoto, "clicked", G_CALLBACK(Preview::pressed), &preview);
    g_signal_connect(preview.list, "row-activated", G_CALLBACK(Preview::activated), &preview);
    auto thumbnails =
        std::make_unique<PhotoThumbnails>(preview.store, Thumbnail, thumbnailSources(photos));
    gtk_widget_show_all(dialog);
    std::optional<tracks::PhotosChoice> choice;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        choice = tracks::PhotosChoice{
            preview.settings,
            gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(writePosition)) != FALSE};
    }
    // The worker stops before the list it fills goes, and the list tells no one of its end.
    thumbnails.reset();
    g_signal_handlers_disconnect_by_data(gtk_tree_view_get_selection(GTK_TREE_VIEW(preview.list)),
                                         &preview);
    gtk_widget_destroy(dialog);
    g_object_unref(preview.store);
    return choice;
}

}  // namespace vandrel::gtk
