#pragma once
// Files dragged from a file manager onto the window: their paths are handed on instead of the
// web view opening the first one as a page.

#include <gtk/gtk.h>

#include <filesystem>
#include <functional>
#include <vector>

namespace vandrel::gtk {

using FilesDropped = std::function<void(const std::vector<std::filesystem::path>&)>;

// Takes the drops of a URI list (local files) onto view before the view's own handlers; other
// drags (text within the page) stay the view's. `dropped` must outlive the view.
void acceptFileDrops(GtkWidget* view, const FilesDropped* dropped);

// The local paths of a text/uri-list; other URIs are left out.
std::vector<std::filesystem::path> droppedPaths(const char* uriList);

}  // namespace vandrel::gtk
