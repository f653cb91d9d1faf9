#include "platform/gtk/shell/photo_offset_dialog.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "core/photo_matching.h"

namespace vandrel::gtk {
namespace {

// The slider and the point number share one adjustment counted from 1, as the point list and
// the point's bubble count; the labels follow it.
struct PointChoice {
    const tracks::PhotoPlaces* places = nullptr;
    std::size_t photo = 0;
    GtkAdjustment* adjustment = nullptr;
    GtkWidget* number = nullptr;
    GtkWidget* point = nullptr;
    GtkWidget* offset = nullptr;
    GtkWidget* dialog = nullptr;

    // The number being typed when it names a point, so that the texts follow the typing
    // before Enter or Tab sets it; else the adjustment's.
    std::size_t chosen() const {
        const char* text = gtk_entry_get_text(GTK_ENTRY(number));
        std::size_t typed = 0;
        const auto [end, error] = std::from_chars(text, text + std::strlen(text), typed);
        if (error == std::errc() && *end == '\0' && typed >= 1 && typed <= places->pointCount()) {
            return typed - 1;
        }
        return static_cast<std::size_t>(std::lround(gtk_adjustment_get_value(adjustment))) - 1;
    }
    void update() const {
        const tracks::PreviewPoint shown = places->point(chosen());
        const std::string where = shown.time + ", " + shown.distance + " along the track";
        gtk_label_set_text(GTK_LABEL(point), where.c_str());
        // A point that would make the camera's clock wrong by more than any camera's is no
        // point the photo was taken at: it cannot be set.
        const int seconds = places->offsetFrom(photo, chosen());
        const bool possible = isCameraOffset(seconds);
        const std::string offsetText =
            "Camera offset: " + clockOffsetText(seconds) +
            (possible ? "" : " (more than 7 days: not the point this photo was taken at)");
        gtk_label_set_text(GTK_LABEL(offset), offsetText.c_str());
        gtk_dialog_set_response_sensitive(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT, possible);
    }
    static void changed(gpointer, gpointer self) { static_cast<PointChoice*>(self)->update(); }
};

GtkWidget* leftLabel(const std::string& text) {
    GtkWidget* label = gtk_label_new(text.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    return label;
}

// The thumbnail beside the photo's name and camera time.
GtkWidget* photoRow(const OffsetPhoto& photo) {
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    if (photo.thumbnail != nullptr) {
        gtk_box_pack_start(GTK_BOX(row), gtk_image_new_from_pixbuf(photo.thumbnail), FALSE, FALSE,
                           0);
    }
    GtkWidget* texts = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    gtk_box_pack_start(GTK_BOX(texts), leftLabel(photo.name), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(texts), leftLabel("Taken " + photo.taken + " by the camera's clock"),
                       FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), texts, TRUE, TRUE, 0);
    return row;
}

// The slider over the track's points with the point's number beside it.
GtkWidget* pointRow(PointChoice& choice) {
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    GtkWidget* slider = gtk_scale_new(GTK_ORIENTATION_HORIZONTAL, choice.adjustment);
    gtk_scale_set_draw_value(GTK_SCALE(slider), FALSE);
    gtk_widget_set_size_request(slider, 280, -1);
    GtkWidget* number = gtk_spin_button_new(choice.adjustment, 1, 0);
    gtk_entry_set_activates_default(GTK_ENTRY(number), TRUE);
    choice.number = number;
    const std::string count = "of " + std::to_string(choice.places->pointCount());
    gtk_box_pack_start(GTK_BOX(row), slider, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(row), gtk_label_new("Point"), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), number, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), gtk_label_new(count.c_str()), FALSE, FALSE, 0);
    return row;
}

}  // namespace

std::optional<int> askOffsetFromPhoto(GtkWindow* parent, const OffsetPhoto& photo,
                                      const tracks::PhotoPlaces& places, std::size_t start) {
    GtkWidget* dialog = gtk_dialog_new_with_buttons(
        "Offset from This Photo", parent,
        static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), "_Cancel",
        GTK_RESPONSE_CANCEL, "_Set Offset", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    const auto count = static_cast<double>(places.pointCount());
    PointChoice choice;
    choice.places = &places;
    choice.photo = photo.index;
    choice.dialog = dialog;
    choice.adjustment = gtk_adjustment_new(static_cast<double>(start) + 1, 1, count, 1, 10, 0);
    choice.point = leftLabel("");
    choice.offset = leftLabel("");
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_container_set_border_width(GTK_CONTAINER(content), 12);
    gtk_box_set_spacing(GTK_BOX(content), 8);
    gtk_box_pack_start(GTK_BOX(content), photoRow(photo), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(content),
                       leftLabel("Move to the track point where the photo was taken:"), FALSE,
                       FALSE, 0);
    gtk_box_pack_start(GTK_BOX(content), pointRow(choice), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(content), choice.point, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(content), choice.offset, FALSE, FALSE, 0);
    choice.update();
    g_signal_connect(choice.adjustment, "value-changed", G_CALLBACK(PointChoice::changed), &choice);
    g_signal_connect(choice.number, "changed", G_CALLBACK(PointChoice::changed), &choice);
    gtk_widget_show_all(dialog);
    std::optional<int> offset;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        offset = places.offsetFrom(photo.index, choice.chosen());
    }
    g_signal_handlers_disconnect_by_data(choice.adjustment, &choice);
    g_signal_handlers_disconnect_by_data(choice.number, &choice);
    gtk_widget_destroy(dialog);
    return offset;
}

}  // namespace vandrel::gtk
