#pragma once
// The thumbnails of the photos preview, decoded on a worker thread: a folder of large photos
// without a camera's preview would otherwise hold the window still for seconds. Each thumbnail
// goes into its row through the main loop as it is ready; the worker never touches GTK.

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vandrel::gtk {

// What a thumbnail is made from: the JPEG preview a camera embedded, or else the photo itself.
struct ThumbnailSource {
    std::string path;
    std::string embedded;
};

class PhotoThumbnails {
  public:
    static constexpr int kWidth = 96;
    static constexpr int kHeight = 72;

    // Starts decoding; row i of `store` gets the thumbnail of sources[i] in `column`.
    PhotoThumbnails(GtkListStore* store, int column, std::vector<ThumbnailSource> sources);
    // Stops after the piece of a photo being read now and waits for the worker; thumbnails
    // still on their way to the main loop are dropped there. Call on the UI thread before the
    // store goes.
    ~PhotoThumbnails();
    PhotoThumbnails(const PhotoThumbnails&) = delete;
    PhotoThumbnails& operator=(const PhotoThumbnails&) = delete;

    struct Shared;

  private:
    std::shared_ptr<Shared> shared_;
    std::thread worker_;
};

}  // namespace vandrel::gtk
