// The map pages beside the program (Html/tmaps.html, Html/pmaps.html) in the real engine: a
// browser host in its own window loads each page, calls its functions by name with text
// arguments as the program does, and hears its window.external calls. A local server stands
// in for the search and tile services.

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <libsoup/soup.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/program_path.h"
#include "gtk/glib_pump.h"
#include "gtk/shared_renderer.h"
#include "platform/gtk/glib_event_loop.h"
#include "platform/gtk/image_size_reader.h"
#include "platform/gtk/web_renderer.h"
#include "tile_server.h"
#include "ui/browser_host.h"
#include "ui/element.h"
#include "ui/html_window.h"

namespace vandrel::demo {
namespace {

using testing::pump;
using testing::pumpUntil;
using Call = std::pair<std::string, std::vector<std::string>>;

// Answers searches as the search service does ("Nowhere" is found nowhere) and tiles with a
// plain PNG once `tilesUp`, else 503; each answer may be read by any origin.
struct Services {
    SoupServer* server = nullptr;
    std::string base;
    std::map<std::string, std::string> lastSearch;
    bool tilesUp = false;
    int tilesServed = 0;
    std::string png;

    Services() : png(vandrel::gtk::solidTile(0, 0, 0)) {
        server = soup_server_new(nullptr, nullptr);
        soup_server_add_handler(server, nullptr, &Services::answer, this, nullptr);
        base = vandrel::gtk::listenLocally(server);
    }
    ~Services() { g_object_unref(server); }

    static void answer(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable* query,
                       gpointer self) {
        auto* s = static_cast<Services*>(self);
        soup_message_headers_append(soup_server_message_get_response_headers(msg),
                                    "Access-Control-Allow-Origin", "*");
        std::string where = path;
        if (where == "/search") {
            s->lastSearch.clear();
            if (query != nullptr) {
                GHashTableIter it;
                gpointer key;
                gpointer value;
                g_hash_table_iter_init(&it, query);
                while (g_hash_table_iter_next(&it, &key, &value)) {
                    s->lastSearch[static_cast<char*>(key)] = static_cast<char*>(value);
                }
            }
            std::string body = s->lastSearch["q"] == "Nowhere"
                                   ? "[]"
                                   : R"([{"lat":"47.5","lon":"8.25","display_name":"Main St 5"}])";
            soup_server_message_set_status(msg, SOUP_STATUS_OK, nullptr);
            soup_server_message_set_response(msg, "application/json", SOUP_MEMORY_COPY, body.data(),
                                             body.size());
        } else if (where.rfind("/tiles/", 0) == 0 && s->tilesUp) {
            ++s->tilesServed;
            soup_server_message_set_status(msg, SOUP_STATUS_OK, nullptr);
            soup_server_message_set_response(msg, "image/png", SOUP_MEMORY_COPY, s->png.data(),
                                             s->png.size());
        } else {
            soup_server_message_set_status(msg, SOUP_STATUS_SERVICE_UNAVAILABLE, nullptr);
        }
    }
};

struct MapStage {
    ui::HtmlWindow window{testing::sharedLoop()};
    GtkWidget* top = nullptr;
    ui::BrowserHost* host = nullptr;
    std::vector<Call> calls;
    Services services;
};
MapStage* maps = nullptr;

class MapPages : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        maps = new MapStage;
        maps->top = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_default_size(GTK_WINDOW(maps->top), 820, 620);
        gtk_container_add(GTK_CONTAINER(maps->top), testing::sharedRenderer().show(maps->window));
        maps->window.loadHtml(
            "<html><body style='margin:0'><widget id='2000' type='sys-ie'"
            " style='width:800px; height:600px'></widget></body></html>");
        maps->host =
            dynamic_cast<ui::BrowserHost*>(maps->window.document().selectFirst("widget")->window());
        maps->host->setExternalHandler(
            [](const std::string& method, const std::vector<std::string>& args) {
                maps->calls.emplace_back(method, args);
                return std::string();
            });
        gtk_widget_show_all(maps->top);
    }
    static void TearDownTestSuite() {
        gtk_widget_destroy(maps->top);
        delete maps;
        maps = nullptr;
    }

    // Loads the page and waits until it says it is ready.
    bool open(const std::string& page) {
        maps->calls.clear();
        maps->host->navigate(programPath("Html/" + page).string());
        return heard("onmaploadcomplete").has_value();
    }

    // The arguments of the first call of that name since the last clear, once it came.
    std::optional<std::vector<std::string>> heard(const std::string& method) {
        auto find = [&] {
            return std::find_if(maps->calls.begin(), maps->calls.end(),
                                [&](const Call& c) { return c.first == method; });
        };
        if (!pumpUntil([&] { return find() != maps->calls.end(); })) {
            return std::nullopt;
        }
        return find()->second;
    }

    // The page function's result as text; nothing when it is missing or threw. The answer may
    // come after a time-out, so it lands in state of its own.
    std::optional<std::string> call(const std::string& name,
                                    const std::vector<std::string>& args = {}) {
        auto answer = std::make_shared<std::optional<std::optional<std::string>>>();
        if (!maps->host->callFunction(name, args, [answer](bool found, std::string result) {
                *answer = found ? std::optional<std::string>(result) : std::nullopt;
            })) {
            return std::nullopt;
        }
        pumpUntil([&] { return answer->has_value(); });
        return answer->value_or(std::nullopt);
    }

    // Script run in the page's global scope, through the page's own global eval.
    std::string eval(const std::string& script) { return call("eval", {script}).value_or("!"); }
};

double number(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

TEST_F(MapPages, TheTrackPageDrawsTheTrackItIsGivenAsData) {
    ASSERT_TRUE(open("tmaps.html"));
    // The world outline comes with the program: no service is needed to see where a track lies.
    EXPECT_TRUE(pumpUntil([&] {
        return eval("document.querySelector('.leaflet-control-attribution').textContent")
                   .find("Natural Earth") != std::string::npos;
    }));
    const std::string line =
        R"(<?xml version="1.0"?><track><point id="0" lat="47.10" lng="8.10"/>)"
        R"(<point id="1" lat="47.15" lng="8.15"/><point id="2" lat="47.20" lng="8.20"/></track>)";
    EXPECT_EQ(call("putTKLine", {line}), "3");
    EXPECT_EQ(call("trackPointCount"), "3");
    // A click on the line reports the clicked place.
    maps->calls.clear();
    eval(
        "(() => { const p = map.latLngToContainerPoint([47.15, 8.15]);"
        " const r = map.getContainer().getBoundingClientRect();"
        " document.querySelector('.leaflet-overlay-pane canvas').dispatchEvent(new MouseEvent("
        "'click', {bubbles: true, clientX: r.left + p.x, clientY: r.top + p.y})); })()");
    auto clicked = heard("onlineclick");
    ASSERT_TRUE(clicked.has_value());
    ASSERT_EQ(clicked->size(), 2u);
    EXPECT_NEAR(number((*clicked)[0]), 47.15, 0.001);
    EXPECT_NEAR(number((*clicked)[1]), 8.15, 0.001);
    // The bubble's add-photo element asks the program for a photo.
    ASSERT_TRUE(call("showInfo", {"47.15", "8.15", "<b>Point 2</b> <a class='addphoto'>Add</a>"}));
    eval("document.querySelector('.leaflet-popup .addphoto').click()");
    EXPECT_TRUE(heard("onaddphoto"));
    for (const auto& [name, args] : std::vector<Call>{
             {"closeInfo", {}},
             {"setCenter", {"47.15", "8.15", "0"}},
             {"setCenter", {"47.15", "8.15", "12"}},
             {"setCar", {"47.12", "8.12", "/opt/vandrel/images/car.png", "800", "600"}},
             {"showAnimationPoint", {"47.12", "8.12"}},
             {"clrCar", {}}}) {
        EXPECT_TRUE(call(name, args).has_value()) << name;
    }
    // The bubble fades out and the zoom eases in.
    EXPECT_TRUE(pumpUntil([&] {
        return eval("map.getZoom() + ' ' + document.querySelectorAll('.leaflet-popup').length") ==
               "12 0";
    }));

    // A photo path that looks like markup stays a path: nothing in it runs.
    const std::string hostile =
        R"(<?xml version="1.0"?><track><point id="0" lat="47.1" lng="8.1"/>)"
        R"(<point id="7" lat="47.2" lng="8.2" pho="&quot;&gt;&lt;script&gt;)"
        R"(window.external.Injected()&lt;/script&gt;&lt;img src=x )"
        R"(onerror=&quot;window.external.Injected()&quot;&gt;"/></track>)";
    EXPECT_EQ(call("putTKLine", {hostile}), "2");
    EXPECT_EQ(eval("document.querySelectorAll('.photo-marker').length"), "1");
    // The photo marker answers with the index of its point.
    eval("document.querySelector('.photo-marker').click()");
    auto photo = heard("onphotolick");
    ASSERT_TRUE(photo.has_value());
    EXPECT_EQ(*photo, std::vector<std::string>{"7"});
    pump(300);
    for (const Call& c : maps->calls) {
        EXPECT_NE(c.first, "Injected");
    }
    EXPECT_TRUE(call("clrTKLine").has_value());
    EXPECT_EQ(call("trackPointCount"), "0");
    EXPECT_EQ(eval("document.querySelectorAll('.photo-marker').length"), "0");
}

// Without tiles the outline is the map: at the whole world's zoom on a map wider than the world
// it repeats sideways as tiles do, and no ring crossing the 180th meridian draws a band across
// the world (Eurasia's, through Chukotka, once filled the Norwegian Sea and emptied Siberia at
// 67 N; the Southern Ocean stays sea).
TEST_F(MapPages, TheOfflineOutlineRepeatsSidewaysWithoutBandsAcrossTheWorld) {
    ASSERT_TRUE(open("tmaps.html"));
    ASSERT_TRUE(pumpUntil([&] {
        return eval("document.querySelector('.leaflet-control-attribution').textContent")
                   .find("Natural Earth") != std::string::npos;
    }));
    ASSERT_TRUE(call("setCenter", {"0", "0", "1"}));
    ASSERT_EQ(eval("map.getSize().x + ' ' + map.getZoom()"), "800 1");  // the world is 512 wide
    auto placeOf = [&](double lat, double lng) {
        const std::string at =
            eval("(() => { const p = map.latLngToContainerPoint([" + std::to_string(lat) + ", " +
                 std::to_string(lng) + "]); return Math.round(p.x) + ' ' + Math.round(p.y); })()");
        const std::size_t space = at.find(' ');
        return std::pair<int, int>{std::atoi(at.c_str()), std::atoi(at.c_str() + space + 1)};
    };
    const auto norwegianSea = placeOf(67.5, 0);
    const auto siberia = placeOf(67.5, 100);
    const auto antarctica = placeOf(-75, 0);
    const int southernOcean = placeOf(-60, 0).second;
    GdkPixbuf* shot = nullptr;
    auto land = [&](int x, int y) {
        const guchar* p = gdk_pixbuf_get_pixels(shot) + y * gdk_pixbuf_get_rowstride(shot) +
                          x * gdk_pixbuf_get_n_channels(shot);
        return std::abs(p[0] - 0xf3) < 8 && std::abs(p[1] - 0xf1) < 8 && std::abs(p[2] - 0xe7) < 8;
    };
    auto landIn = [&](int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                n += land(x, y) ? 1 : 0;
            }
        }
        return n;
    };
    const bool drawn = pumpUntil([&] {
        pump(100);
        if (shot != nullptr) {
            g_object_unref(shot);
        }
        shot = gdk_pixbuf_get_from_window(gtk_widget_get_window(maps->top), 0, 0, 800, 600);
        // The copies of the world left and right of the one in the middle show land too.
        const bool repeated = landIn(0, 100, 0, 600) > 1000 && landIn(700, 800, 0, 600) > 1000;
        const bool noBands = !land(norwegianSea.first, norwegianSea.second) &&
                             land(siberia.first, siberia.second) &&
                             land(antarctica.first, antarctica.second) &&
                             landIn(0, 800, southernOcean, southernOcean + 1) < 40;
        return repeated && noBands;
    });
    const std::filesystem::path out =
        std::filesystem::path(VANDREL_TEST_OUTPUT) / "offline-outline.png";
    std::filesystem::create_directories(out.parent_path());
    if (shot != nullptr) {
        gdk_pixbuf_save(shot, out.c_str(), "png", nullptr, nullptr);
        g_object_unref(shot);
    }
    EXPECT_TRUE(drawn) << "see " << out;
}

// Photos live with the user's files, not beside the pages: the page reads a photo of the
// program's photos folder as ../photos/NAME, and nothing but the files directly in it.
TEST_F(MapPages, TheTrackPageShowsPhotosOfTheProgramsPhotosFolderOnly) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(VANDREL_TEST_OUTPUT) / "photo-program";
    fs::remove_all(folder);
    fs::create_directories(folder / "photos" / "sub");
    testing::sharedRenderer().servePhotos(folder / "photos");
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 30, 50);
    for (const fs::path& png : {folder / "photos" / "p.png", folder / "photos" / "sub" / "q.png",
                                folder / "outside.png"}) {
        cairo_surface_write_to_png(surface, png.c_str());
    }
    cairo_surface_destroy(surface);
    fs::create_symlink(folder / "outside.png", folder / "photos" / "out.png");
    std::ofstream(folder / "photos" / "text.jpg") << "not an image";
    const std::optional<ui::ImageSize> size = gtk::pixbufImageSize(folder / "photos" / "p.png");
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, 30);
    EXPECT_EQ(size->height, 50);
    EXPECT_FALSE(gtk::pixbufImageSize(folder / "photos" / "text.jpg").has_value());
    // A landscape picture tagged as taken upright is shown, and so measured, upright.
    GdkPixbuf* wide = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 40, 20);
    gdk_pixbuf_fill(wide, 0x20a040ff);
    gchar* jpeg = nullptr;
    gsize length = 0;
    ASSERT_TRUE(gdk_pixbuf_save_to_buffer(wide, &jpeg, &length, "jpeg", nullptr, nullptr));
    g_object_unref(wide);
    // An Exif segment with one entry, orientation 6 (turned right), after the start marker.
    static const unsigned char kExif[] = {
        0xFF, 0xE1, 0x00, 0x22, 'E',  'x',  'i', 'f', 0, 0, 'M',  'M',  0x00, 0x2A, 0, 0, 0, 8,
        0x00, 0x01, 0x01, 0x12, 0x00, 0x03, 0,   0,   0, 1, 0x00, 0x06, 0,    0,    0, 0, 0, 0};
    std::ofstream upright(folder / "photos" / "upright.jpg", std::ios::binary);
    upright.write(jpeg, 2);
    upright.write(reinterpret_cast<const char*>(kExif), sizeof kExif);
    upright.write(jpeg + 2, static_cast<std::streamsize>(length - 2));
    upright.close();
    g_free(jpeg);
    const std::optional<ui::ImageSize> turned =
        gtk::pixbufImageSize(folder / "photos" / "upright.jpg");
    ASSERT_TRUE(turned.has_value());
    EXPECT_EQ(turned->width, 20);
    EXPECT_EQ(turned->height, 40);

    ASSERT_TRUE(open("tmaps.html"));
    const std::string line =
        R"(<?xml version="1.0"?><track><point id="4" lat="47.1" lng="8.1" pho=")" +
        (folder / "photos" / "p.png").string() + R"("/></track>)";
    EXPECT_EQ(call("putTKLine", {line}), "1");
    EXPECT_NE(eval("document.querySelector('.photo-marker div').style.backgroundImage")
                  .find("../photos/p.png"),
              std::string::npos);
    eval(
        "window.fetched = null; Promise.all(['p.png', 'sub/q.png', 'out.png', '%2e%2e/outside.png',"
        " '../outside.png', ''].map(n => fetch('../photos/' + n).then(r => r.ok ? 'got' : 'no',"
        " () => 'no'))).then(a => { window.fetched = a.join(' '); })");
    EXPECT_TRUE(pumpUntil([&] { return eval("window.fetched") != "null"; }));
    EXPECT_EQ(eval("window.fetched"), "got no no no no no");

    // The bubble's remove link names the point.
    ASSERT_TRUE(
        call("showInfo", {"47.1", "8.1",
                          "<img src=\"../photos/p.png\" style=\"height:320px;\" />"
                          "<a href=\"#\" class=\"removephoto\" data-index=\"4\">remove</a>"}));
    EXPECT_TRUE(pumpUntil([&] {
        return eval("document.querySelector('.leaflet-popup img').naturalHeight") == "50";
    }));
    maps->calls.clear();
    eval("document.querySelector('.leaflet-popup .removephoto').click()");
    auto removed = heard("onremovephoto");
    ASSERT_TRUE(removed.has_value());
    EXPECT_EQ(*removed, std::vector<std::string>{"4"});
    EXPECT_TRUE(call("closeInfo").has_value());
    EXPECT_TRUE(call("clrTKLine").has_value());
    testing::sharedRenderer().servePhotos({});
}

TEST_F(MapPages, ThePoiPageKeepsItsMarkersFindsPlacesAndTellsWhenTilesAreOffline) {
    ASSERT_FALSE(maps->services.base.empty());
    ASSERT_TRUE(open("pmaps.html"));
    const std::string icons =
        "Array.from(document.querySelectorAll('.leaflet-marker-icon'),"
        " e => e.getAttribute('src')).sort().join(' ')";
    ASSERT_TRUE(call("addWPMarker", {"3", "47.1", "8.2", "/usr/share/vandrel/pois/3.png"}));
    ASSERT_TRUE(call("addWPMarker", {"3", "47.2", "8.3", "/usr/share/vandrel/pois/4.png"}));
    ASSERT_TRUE(call("addWPMarker", {"5", "47.3", "8.4", "/usr/share/vandrel/pois/5.png"}));
    EXPECT_EQ(eval(icons), "../pois/4.png ../pois/5.png");
    // A right click on a marker names the marker and the pointer's place in the map.
    maps->calls.clear();
    std::string at = eval(
        "(() => { const e = document.querySelector('.leaflet-marker-icon[src=\"../pois/5.png\"]');"
        " const r = e.getBoundingClientRect(), m = map.getContainer().getBoundingClientRect();"
        " const x = Math.round(r.left + 3), y = Math.round(r.top + 4);"
        " e.dispatchEvent(new MouseEvent('contextmenu', {bubbles: true, clientX: x, clientY: y}));"
        " return (x - Math.round(m.left)) + ' ' + (y - Math.round(m.top)); })()");
    auto rclick = heard("onwpmarkerrclick");
    ASSERT_TRUE(rclick.has_value());
    ASSERT_EQ(rclick->size(), 3u);
    EXPECT_EQ((*rclick)[0], "5");
    EXPECT_EQ((*rclick)[1] + " " + (*rclick)[2], at);
    EXPECT_FALSE(std::any_of(maps->calls.begin(), maps->calls.end(),
                             [](const Call& c) { return c.first == "onrclickevent"; }));
    ASSERT_TRUE(call("clrWPMarker"));
    EXPECT_EQ(eval(icons), "");

    // Found: the place goes to the program. Not found: the user reads why.
    ASSERT_TRUE(call("useGeocoder", {maps->services.base + "/search"}));
    maps->calls.clear();
    ASSERT_TRUE(call("findAddress", {"Main St 5"}));
    auto found = heard("onfind");
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, (std::vector<std::string>{"47.5", "8.25"}));
    EXPECT_EQ(maps->services.lastSearch,
              (std::map<std::string, std::string>{
                  {"format", "json"}, {"limit", "1"}, {"q", "Main St 5"}}));
    ASSERT_TRUE(call("findAddress", {"Nowhere"}));
    const std::string message =
        "(() => { const e = document.querySelector('.find-message');"
        " return e.hidden ? '' : e.textContent; })()";
    EXPECT_TRUE(pumpUntil([&] { return eval(message) == "No place found for \"Nowhere\""; }))
        << eval(message);

    // Tiles that fail leave the world outline and a note; the note goes when they come back.
    const std::string note = "document.querySelector('.offline-note').hidden";
    EXPECT_EQ(eval(note), "true");
    ASSERT_TRUE(
        call("useTiles", {maps->services.base + "/tiles/{z}/{x}/{y}.png", "Tiles & <b>x</b>"}));
    EXPECT_TRUE(pumpUntil([&] { return eval(note) == "false"; }));
    EXPECT_NE(eval("document.querySelector('.leaflet-control-attribution').textContent")
                  .find("Tiles & <b>x</b>"),
              std::string::npos);
    maps->services.tilesUp = true;
    ASSERT_TRUE(call("tilesOnline"));
    EXPECT_TRUE(pumpUntil([&] { return maps->services.tilesServed > 0; }));
    pump(300);
    EXPECT_EQ(eval(note), "true");
}

// The program's check asks the standard service, which may be down while the chosen source (a
// local tile service) answers: once a tile of the chosen source has arrived, neither the check
// nor a tile past the service's edge brings the note back. A source that never answered still
// shows it.
TEST_F(MapPages, TheOfflineNoteShowsOnlyWhileNoTileOfTheChosenSourceHasArrived) {
    vandrel::gtk::TileServer local;
    ASSERT_FALSE(local.address().empty());
    ASSERT_TRUE(open("tmaps.html"));
    ASSERT_TRUE(call("useTiles", {local.address() + "{z}/{x}/{y}.png", "Local"}));
    ASSERT_TRUE(pumpUntil([&] {
        return eval("String(document.querySelectorAll('.leaflet-tile-loaded').length > 0)") ==
               "true";
    }));
    ASSERT_TRUE(call("tilesOffline"));
    eval("tiles.fire('tileerror'), ''");
    pump(300);
    const std::string note =
        "(() => { const e = document.querySelector('.offline-note');"
        " return e.hidden ? '' : e.textContent; })()";
    EXPECT_EQ(eval(note), "");

    ASSERT_TRUE(call("useTiles", {"http://127.0.0.1:9/{z}/{x}/{y}.png", "Down"}));
    ASSERT_TRUE(call("tilesOffline"));
    EXPECT_EQ(eval(note), "Map tiles offline - showing the built-in world outline");
}

}  // namespace
}  // namespace vandrel::demo
