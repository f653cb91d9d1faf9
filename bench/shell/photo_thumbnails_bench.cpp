// The thumbnails of the photos preview for a folder of 100 photos of 12 megapixels without a
// camera's preview: how long the window is held still while they are made on the worker (the
// longest turn of the main loop) against decoding them on the UI thread as before, the time
// until every row has its thumbnail, and how long closing the preview waits for the worker.
// Needs no display: photo_thumbnails.sh beside this file builds and runs it.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "platform/gtk/shell/photo_thumbnails.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using vandrel::gtk::PhotoThumbnails;
using vandrel::gtk::ThumbnailSource;

constexpr int kPhotos = 100;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A 4000 x 3000 picture with enough detail to compress as a photo does, saved once and copied.
std::vector<ThumbnailSource> makePhotos(const fs::path& dir) {
    GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 4000, 3000);
    guchar* pixels = gdk_pixbuf_get_pixels(picture);
    const int stride = gdk_pixbuf_get_rowstride(picture);
    for (int y = 0; y < 3000; ++y) {
        for (int x = 0; x < 4000; ++x) {
            guchar* p = pixels + y * stride + x * 3;
            p[0] = static_cast<guchar>((x * 7 + y * 3) ^ (x * y >> 6));
            p[1] = static_cast<guchar>(x / 16 + y / 12);
            p[2] = static_cast<guchar>((x ^ y) * 5);
        }
    }
    const fs::path seed = dir / "seed.jpg";
    gdk_pixbuf_save(picture, seed.c_str(), "jpeg", nullptr, "quality", "90", nullptr);
    g_object_unref(picture);
    std::vector<ThumbnailSource> sources;
    for (int i = 0; i < kPhotos; ++i) {
        const fs::path photo = dir / ("IMG_" + std::to_string(i) + ".jpg");
        fs::copy_file(seed, photo);
        sources.push_back({photo.string(), {}});
    }
    std::printf("photo %.1f MB\n", static_cast<double>(fs::file_size(seed)) / 1e6);
    return sources;
}

GtkListStore* rows() {
    GtkListStore* store = gtk_list_store_new(1, GDK_TYPE_PIXBUF);
    for (int i = 0; i < kPhotos; ++i) {
        gtk_list_store_insert_with_values(store, nullptr, -1, -1);
    }
    return store;
}

int filled(GtkListStore* store) {
    int count = 0;
    GtkTreeIter row;
    for (bool more = gtk_tree_model_get_iter_first(GTK_TREE_MODEL(store), &row); more;
         more = gtk_tree_model_iter_next(GTK_TREE_MODEL(store), &row)) {
        GdkPixbuf* pixbuf = nullptr;
        gtk_tree_model_get(GTK_TREE_MODEL(store), &row, 0, &pixbuf, -1);
        count += pixbuf != nullptr ? 1 : 0;
        if (pixbuf != nullptr) {
            g_object_unref(pixbuf);
        }
    }
    return count;
}

// As the preview decoded them before: one after another on the UI thread.
void onUiThread(const std::vector<ThumbnailSource>& sources) {
    const Clock::time_point start = Clock::now();
    for (const ThumbnailSource& source : sources) {
        g_object_unref(gdk_pixbuf_new_from_file_at_scale(
            source.path.c_str(), PhotoThumbnails::kWidth, PhotoThumbnails::kHeight, TRUE, nullptr));
    }
    std::printf("on the UI thread: window held still %.0f ms\n", msSince(start));
}

void onWorker(const std::vector<ThumbnailSource>& sources) {
    GtkListStore* store = rows();
    Clock::time_point start = Clock::now();
    double longestTurn = 0;
    {
        PhotoThumbnails thumbnails(store, 0, sources);
        longestTurn = msSince(start);
        // Only the turns that ran something count: a turn that waits leaves the window free.
        while (filled(store) < kPhotos) {
            const Clock::time_point turn = Clock::now();
            if (g_main_context_iteration(nullptr, FALSE)) {
                longestTurn = std::max(longestTurn, msSince(turn));
            } else {
                g_usleep(1000);
            }
        }
    }
    std::printf("on the worker: every row filled after %.0f ms, longest turn of the loop %.1f ms\n",
                msSince(start), longestTurn);
    g_object_unref(store);
}

// Closing the preview once a tenth of the rows are in.
void closing(const std::vector<ThumbnailSource>& sources) {
    GtkListStore* store = rows();
    std::optional<PhotoThumbnails> thumbnails;
    thumbnails.emplace(store, 0, sources);
    while (filled(store) < kPhotos / 10) {
        g_main_context_iteration(nullptr, TRUE);
    }
    const Clock::time_point start = Clock::now();
    thumbnails.reset();
    const double waited = msSince(start);
    // The thumbnails still on their way are dropped.
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    std::printf("closing the preview waited %.1f ms for the worker\n", waited);
    g_object_unref(store);
}

}  // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "vandrel-thumbs-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    const std::vector<ThumbnailSource> sources = makePhotos(pattern);
    onUiThread(sources);
    onWorker(sources);
    closing(sources);
    fs::remove_all(pattern);
    return 0;
}
