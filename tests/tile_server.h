#pragma once
// A local stand-in for a tile service, for the Xvfb suites and the benchmarks that show maps:
// tiles of one colour, answered to every request, and the User-Agent each tile request carried.

#include <cairo.h>
#include <libsoup/soup.h>

#include <string>
#include <vector>

namespace vandrel::gtk {

// A tile of one colour, as PNG bytes.
inline std::string solidTile(double r, double g, double b) {
    std::string png;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 256, 256);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png_stream(
        surface,
        [](void* out, const unsigned char* data, unsigned int length) {
            static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(data), length);
            return CAIRO_STATUS_SUCCESS;
        },
        &png);
    cairo_surface_destroy(surface);
    return png;
}

// Starts the server on a free port of the loopback address: "http://127.0.0.1:PORT", or empty
// when it cannot listen.
inline std::string listenLocally(SoupServer* server) {
    if (!soup_server_listen_local(server, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, nullptr)) {
        return {};
    }
    GSList* uris = soup_server_get_uris(server);
    std::string origin =
        "http://127.0.0.1:" + std::to_string(g_uri_get_port(static_cast<GUri*>(uris->data)));
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    return origin;
}

// Answers every request with a plain tile (grey unless told) and keeps the User-Agent of each
// tile request. The connectivity probe asks for "/", which counts as an answer too.
class TileServer {
  public:
    explicit TileServer(std::string png = solidTile(0.8, 0.8, 0.8)) : png_(std::move(png)) {
        server_ = soup_server_new(nullptr, nullptr);
        soup_server_add_handler(server_, nullptr, &TileServer::answer, this, nullptr);
        if (const std::string origin = listenLocally(server_); !origin.empty()) {
            address_ = origin + "/";
        }
    }
    ~TileServer() { g_object_unref(server_); }
    TileServer(const TileServer&) = delete;
    TileServer& operator=(const TileServer&) = delete;

    // "http://127.0.0.1:PORT/", or empty when the server could not listen.
    const std::string& address() const { return address_; }
    const std::vector<std::string>& tileAgents() const { return tileAgents_; }

  private:
    static void answer(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*,
                       gpointer self) {
        auto* s = static_cast<TileServer*>(self);
        const std::string where = path;
        if (where.size() > 4 && where.compare(where.size() - 4, 4, ".png") == 0) {
            const char* agent = soup_message_headers_get_one(
                soup_server_message_get_request_headers(msg), "User-Agent");
            s->tileAgents_.emplace_back(agent != nullptr ? agent : "");
            soup_server_message_set_status(msg, SOUP_STATUS_OK, nullptr);
            soup_server_message_set_response(msg, "image/png", SOUP_MEMORY_COPY, s->png_.data(),
                                             s->png_.size());
            return;
        }
        soup_server_message_set_status(msg, SOUP_STATUS_OK, nullptr);
        soup_server_message_set_response(msg, "text/html", SOUP_MEMORY_STATIC, "ok", 2);
    }

    SoupServer* server_ = nullptr;
    std::string address_;
    std::string png_;
    std::vector<std::string> tileAgents_;
};

}  // namespace vandrel::gtk
