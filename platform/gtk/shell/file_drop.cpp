#include "platform/gtk/shell/file_drop.h"

namespace vandrel::gtk {
namespace {

constexpr const char* kUriList = "text/uri-list";

bool offersFiles(GdkDragContext* context) {
    const GdkAtom uris = gdk_atom_intern_static_string(kUriList);
    for (GList* target = gdk_drag_context_list_targets(context); target != nullptr;
         target = target->next) {
        if (GDK_POINTER_TO_ATOM(target->data) == uris) {
            return true;
        }
    }
    return false;
}

gboolean onMotion(GtkWidget* view, GdkDragContext* context, gint, gint, guint time, gpointer) {
    if (!offersFiles(context)) {
        return FALSE;
    }
    g_signal_stop_emission_by_name(view, "drag-motion");
    gdk_drag_status(context, GDK_ACTION_COPY, time);
    return TRUE;
}

gboolean onDrop(GtkWidget* view, GdkDragContext* context, gint, gint, guint time, gpointer) {
    if (!offersFiles(context)) {
        return FALSE;
    }
    g_signal_stop_emission_by_name(view, "drag-drop");
    gtk_drag_get_data(view, context, gdk_atom_intern_static_string(kUriList), time);
    return TRUE;
}

void onReceived(GtkWidget* view, GdkDragContext* context, gint, gint, GtkSelectionData* data, guint,
                guint time, gpointer dropped) {
    if (gtk_selection_data_get_target(data) != gdk_atom_intern_static_string(kUriList)) {
        return;
    }
    g_signal_stop_emission_by_name(view, "drag-data-received");
    const guchar* text = gtk_selection_data_get_data(data);
    const std::vector<std::filesystem::path> paths =
        droppedPaths(text != nullptr ? reinterpret_cast<const char*>(text) : "");
    gtk_drag_finish(context, !paths.empty(), FALSE, time);
    if (!paths.empty()) {
        (*static_cast<const FilesDropped*>(dropped))(paths);
    }
}

}  // namespace

void acceptFileDrops(GtkWidget* view, const FilesDropped* dropped) {
    g_signal_connect(view, "drag-motion", G_CALLBACK(onMotion), nullptr);
    g_signal_connect(view, "drag-drop", G_CALLBACK(onDrop), nullptr);
    g_signal_connect(view, "drag-data-received", G_CALLBACK(onReceived),
                     const_cast<FilesDropped*>(dropped));
}

std::vector<std::filesystem::path> droppedPaths(const char* uriList) {
    std::vector<std::filesystem::path> paths;
    gchar** uris = g_uri_list_extract_uris(uriList);
    for (gchar** uri = uris; uri != nullptr && *uri != nullptr; ++uri) {
        gchar* path = g_filename_from_uri(*uri, nullptr, nullptr);
        if (path != nullptr) {
            paths.emplace_back(path);
            g_free(path);
        }
    }
    g_strfreev(uris);
    return paths;
}

}  // namespace vandrel::gtk
