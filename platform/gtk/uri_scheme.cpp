// The program's scheme, vandrel://app/. It serves each HTML window's document from the model
// (?w=KEY), the compiled resources (res/NAME.TYPE), the files of the folders beside the
// program (Html/, images/, pois/, matched without regard to case as the pages write them) and
// the photos attached to track points (photos/NAME, only files directly in the program's
// photos folder, which the track map shows as ../photos/NAME), and what the owner answers under
// a prefix of its own (the offline map files' tiles, read from the file). Nothing outside those
// folders is ever served: no "..", no absolute path, no link that resolves elsewhere, but for
// the link to a system library at Html/vendor/NAME.

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/program_path.h"
#include "platform/gtk/web_renderer.h"
#include "ui/element.h"
#include "ui/resources.h"

namespace vandrel::gtk {
namespace fs = std::filesystem;

namespace {

std::string mimeFor(const std::string& name) {
    static constexpr std::pair<const char*, const char*> kTypes[] = {
        {".html", "text/html; charset=utf-8"},
        {".htm", "text/html; charset=utf-8"},
        {".css", "text/css"},
        {".js", "text/javascript"},
        {".png", "image/png"},
        {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},
        {".gif", "image/gif"},
        {".bmp", "image/bmp"},
        {".webp", "image/webp"},
        {".svg", "image/svg+xml"},
        {".json", "application/json"},
    };
    std::string ext = fs::path(name).extension().string();
    for (char& c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (auto [e, mime] : kTypes) {
        if (ext == e) {
            return mime;
        }
    }
    return "application/octet-stream";
}

void finish(WebKitURISchemeRequest* request, std::string bytes, const std::string& mime) {
    GBytes* data = g_bytes_new(bytes.data(), bytes.size());
    GInputStream* stream = g_memory_input_stream_new_from_bytes(data);
    g_bytes_unref(data);
    WebKitURISchemeResponse* response =
        webkit_uri_scheme_response_new(stream, static_cast<gint64>(bytes.size()));
    webkit_uri_scheme_response_set_content_type(response, mime.c_str());
    webkit_uri_scheme_request_finish_with_response(request, response);
    g_object_unref(response);
    g_object_unref(stream);
}

bool inside(const fs::path& file, const fs::path& folder) {
    if (folder.empty()) {
        return false;
    }
    auto within = file.lexically_relative(folder);
    return !within.empty() && *within.begin() != "..";
}

// Html/vendor/NAME may be a link to a library where the system keeps it (Leaflet of the
// system's package): files below that link are served from where it leads, and nothing else
// outside the program's folders.
fs::path vendorFolder(const fs::path& base, const fs::path& rest) {
    auto part = rest.begin();
    if (part == rest.end() || *part != "vendor" || ++part == rest.end()) {
        return {};
    }
    // Only a link in the program's own vendor folder, not a vendor folder that is a link.
    std::error_code ec;
    fs::path vendor = fs::canonical(base / "vendor", ec);
    if (ec || vendor != fs::canonical(base, ec) / "vendor") {
        return {};
    }
    fs::path folder = fs::canonical(vendor / *part, ec);
    return ec ? fs::path() : folder;
}

void fail(WebKitURISchemeRequest* request) {
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "Not found");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
}

// res:NAME.TYPE in a page: a compiled resource, or nothing.
void handleResource(WebKitURISchemeRequest* request, gpointer) {
    const char* uri = webkit_uri_scheme_request_get_uri(request);
    ui::LoadData data = ui::resolveLoadData(uri != nullptr ? uri : "");
    if (data.outcome != ui::LoadData::Outcome::Delivered) {
        fail(request);
        return;
    }
    finish(request, std::string(data.bytes), mimeFor("x." + data.type));
}

void handleRequest(WebKitURISchemeRequest* request, gpointer target) {
    WebRenderer* renderer = *static_cast<WebRenderer**>(target);
    const char* uri = webkit_uri_scheme_request_get_uri(request);
    GUri* parsed = uri != nullptr ? g_uri_parse(uri, G_URI_FLAGS_NONE, nullptr) : nullptr;
    if (renderer == nullptr || parsed == nullptr || g_strcmp0(g_uri_get_host(parsed), "app") != 0) {
        if (parsed != nullptr) {
            g_uri_unref(parsed);
        }
        fail(request);
        return;
    }
    std::string path = g_uri_get_path(parsed);
    const char* query = g_uri_get_query(parsed);
    std::string q = query != nullptr ? query : "";
    g_uri_unref(parsed);
    if (path == "/" && q.rfind("w=", 0) == 0) {
        std::string page = renderer->serveWindow(std::atoi(q.c_str() + 2));
        if (page.empty()) {
            fail(request);
        } else {
            finish(request, std::move(page), "text/html; charset=utf-8");
        }
        return;
    }
    std::string bytes;
    std::string mime;
    if (renderer->serveFile(path, bytes, mime)) {
        finish(request, std::move(bytes), mime);
    } else {
        fail(request);
    }
}

}  // namespace

void registerProgramScheme(WebKitWebContext* context, WebRenderer** target) {
    webkit_web_context_register_uri_scheme(
        context, "vandrel", handleRequest, target,
        [](gpointer t) { delete static_cast<WebRenderer**>(t); });
    webkit_web_context_register_uri_scheme(context, "res", handleResource, nullptr, nullptr);
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
    webkit_security_manager_register_uri_scheme_as_secure(security, "vandrel");
}

std::string WebRenderer::serveWindow(int key) {
    WindowState* state = stateByKey(key);
    if (state == nullptr) {
        return {};
    }
    // The page is the model as it is now; changes queued before this moment are in it.
    state->batch.clear();
    state->deferred.clear();
    state->batchOps = 0;
    state->ready = false;
    std::string page = state->window->document().serialize(true);
    // The bridge rewrites the page's media queries for the media type the model keeps.
    std::string media = state->window->document().mediaType();
    bool plain = !media.empty() &&
                 media.find_first_not_of("abcdefghijklmnopqrstuvwxyz-") == std::string::npos;
    static constexpr std::string_view kStart = "<!DOCTYPE html><html";
    if (plain && page.compare(0, kStart.size(), kStart) == 0) {
        page.insert(kStart.size(), " data-vmedia=\"" + media + "\"");
    }
    // A document loaded from a file of the program's folders resolves its relative addresses
    // beside that file, as a browser would; the others resolve against the program's root.
    const std::string& address = state->window->address();
    std::string base = address.empty() || address.find(':') != std::string::npos
                           ? std::string()
                           : addressFor(address);
    std::size_t head = page.find("<head");
    std::size_t headEnd = head != std::string::npos ? page.find('>', head) : std::string::npos;
    if (!base.empty() && headEnd != std::string::npos) {
        char* escaped = g_uri_escape_string(base.c_str(), "/:", TRUE);
        page.insert(headEnd + 1, std::string("<base href=\"") + escaped + "\">");
        g_free(escaped);
    }
    return page;
}

bool WebRenderer::serveFile(const std::string& path, std::string& bytes, std::string& mime) const {
    char* decoded = g_uri_unescape_string(path.c_str(), nullptr);
    if (decoded == nullptr) {
        return false;
    }
    std::string name = decoded;
    g_free(decoded);
    if (name.find('\0') != std::string::npos || name.find('\\') != std::string::npos) {
        return false;
    }
    fs::path relative = fs::path(name).relative_path();
    if (relative.empty()) {
        return false;
    }
    for (const auto& part : relative) {
        if (part == ".." || part == ".") {
            return false;
        }
    }
    std::string first = relative.begin()->string();
    fs::path rest = relative.lexically_relative(*relative.begin());
    if (first == "res") {
        ui::LoadData data = ui::resolveLoadData("res:" + rest.generic_string());
        if (data.outcome != ui::LoadData::Outcome::Delivered) {
            return false;
        }
        bytes = std::string(data.bytes);
        mime = mimeFor("x." + data.type);
        return true;
    }
    if (auto answer = answers_.find(first); answer != answers_.end()) {
        return answer->second(rest.generic_string(), bytes, mime);
    }
    fs::path base;
    for (const char* folder : {"Html", "images", "pois"}) {
        if (ui::equalsIgnoreCase(first, folder)) {
            base = resourceFolder() / folder;
        }
    }
    // The photos are the user's files, kept with the database rather than with the pages; the
    // folder holds no subfolders of its own, so none is served.
    const bool photos = first == "photos";
    if (photos) {
        base = photosFolder_;
    }
    auto served = folders_.find(first);
    if (base.empty() && served != folders_.end()) {
        base = served->second;
    }
    if (base.empty() || rest.empty() || rest == "." ||
        (photos && std::distance(rest.begin(), rest.end()) != 1)) {
        return false;
    }
    std::error_code ec;
    fs::path canonicalBase = fs::canonical(base, ec);
    fs::path file = fs::canonical(base / rest, ec);
    if (ec || !fs::is_regular_file(file, ec)) {
        return false;
    }
    if (photos && file.parent_path() != canonicalBase) {
        return false;
    }
    const bool html = ui::equalsIgnoreCase(first, "Html");
    if (!inside(file, canonicalBase) && !(html && inside(file, vendorFolder(base, rest)))) {
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    mime = mimeFor(file.string());
    return true;
}

}  // namespace vandrel::gtk
