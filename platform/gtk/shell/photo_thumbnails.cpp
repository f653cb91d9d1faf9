#include "platform/gtk/shell/photo_thumbnails.h"

#include <algorithm>
#include <atomic>
#include <fstream>

namespace vandrel::gtk {

// The worker and the main loop share this; `store` is read and cleared on the UI thread only.
struct PhotoThumbnails::Shared {
    std::atomic<bool> cancelled{false};
    GtkListStore* store = nullptr;
    int column = 0;
};

namespace {

using Shared = PhotoThumbnails::Shared;

// One thumbnail on its way from the worker to its row.
struct Delivery {
    std::shared_ptr<Shared> shared;
    int row = 0;
    GdkPixbuf* pixbuf = nullptr;
};

// Scales a picture being decoded to fit the thumbnail's box; the JPEG loader then decodes at a
// fraction of the size instead of the whole picture.
void fitThumbnail(GdkPixbufLoader* loader, gint width, gint height, gpointer) {
    if (width <= 0 || height <= 0) {
        return;
    }
    const double scale = std::min(static_cast<double>(PhotoThumbnails::kWidth) / width,
                                  static_cast<double>(PhotoThumbnails::kHeight) / height);
    if (scale < 1) {
        gdk_pixbuf_loader_set_size(loader, std::max(1, static_cast<int>(width * scale)),
                                   std::max(1, static_cast<int>(height * scale)));
    }
}

// Feeds the bytes to a loader piece by piece, so that a cancel is seen within one piece of a
// large photo; null when cancelled or when no loader reads them.
class Decoder {
  public:
    explicit Decoder(const std::atomic<bool>& cancelled)
        : cancelled_(cancelled), loader_(gdk_pixbuf_loader_new()) {
        g_signal_connect(loader_, "size-prepared", G_CALLBACK(fitThumbnail), nullptr);
    }
    ~Decoder() {
        gdk_pixbuf_loader_close(loader_, nullptr);
        g_object_unref(loader_);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    bool write(const char* bytes, std::size_t size) {
        return !cancelled_ && gdk_pixbuf_loader_write(
                                  loader_, reinterpret_cast<const guchar*>(bytes), size, nullptr);
    }
    GdkPixbuf* finish() {
        if (cancelled_ || !gdk_pixbuf_loader_close(loader_, nullptr)) {
            return nullptr;
        }
        GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader_);
        return pixbuf != nullptr ? GDK_PIXBUF(g_object_ref(pixbuf)) : nullptr;
    }

  private:
    const std::atomic<bool>& cancelled_;
    GdkPixbufLoader* loader_;
};

GdkPixbuf* decodeEmbedded(const std::string& bytes, const std::atomic<bool>& cancelled) {
    Decoder decoder(cancelled);
    return decoder.write(bytes.data(), bytes.size()) ? decoder.finish() : nullptr;
}

GdkPixbuf* decodeFile(const std::string& path, const std::atomic<bool>& cancelled) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return nullptr;
    }
    Decoder decoder(cancelled);
    char piece[64 * 1024];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        if (!decoder.write(piece, static_cast<std::size_t>(in.gcount()))) {
            return nullptr;
        }
    }
    return decoder.finish();
}

// On the UI thread: the thumbnail into its row, unless the preview has closed.
gboolean deliver(gpointer data) {
    auto* delivery = static_cast<Delivery*>(data);
    GtkListStore* store = delivery->shared->store;
    GtkTreeIter row;
    if (store != nullptr &&
        gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(store), &row, nullptr, delivery->row)) {
        gtk_list_store_set(store, &row, delivery->shared->column, delivery->pixbuf, -1);
    }
    return G_SOURCE_REMOVE;
}

void dropDelivery(gpointer data) {
    auto* delivery = static_cast<Delivery*>(data);
    g_object_unref(delivery->pixbuf);
    delete delivery;
}

void decodeAll(const std::shared_ptr<Shared>& shared, const std::vector<ThumbnailSource>& sources) {
    for (std::size_t i = 0; i < sources.size() && !shared->cancelled; ++i) {
        // The camera's preview when it has one, else the picture itself scaled.
        GdkPixbuf* pixbuf = sources[i].embedded.empty()
                                ? nullptr
                                : decodeEmbedded(sources[i].embedded, shared->cancelled);
        if (pixbuf == nullptr) {
            pixbuf = decodeFile(sources[i].path, shared->cancelled);
        }
        if (pixbuf != nullptr) {
            g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, deliver,
                            new Delivery{shared, static_cast<int>(i), pixbuf}, dropDelivery);
        }
    }
}

}  // namespace

PhotoThumbnails::PhotoThumbnails(GtkListStore* store, int column,
                                 std::vector<ThumbnailSource> sources)
    : shared_(std::make_shared<Shared>()) {
    shared_->store = store;
    shared_->column = column;
    worker_ = std::thread(
        [shared = shared_, sources = std::move(sources)] { decodeAll(shared, sources); });
}

PhotoThumbnails::~PhotoThumbnails() {
    shared_->cancelled = true;
    worker_.join();
    shared_->store = nullptr;
}

}  // namespace vandrel::gtk
