#pragma once
// The HTML resources compiled into the program, the media type, and the answer to the
// renderer's requests for data ("load data").
//
// Resources are generated at build time from a folder of files (see
// cmake/embed_resources.cmake): `201.html` becomes the resource named "201" of type HTML.
// The program's own table (from resources/) is in use until setResourceTable installs another.

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace vandrel::ui {

class HtmlWindow;

struct Resource {
    const char* name;
    const char* type;  // upper case: HTML, PNG, CSS, JS
    const unsigned char* bytes;
    std::size_t size;

    std::string_view data() const { return {reinterpret_cast<const char*>(bytes), size}; }
};

// The resources compiled from the folder resources/ of the source tree.
std::span<const Resource> programResources();

void setResourceTable(std::span<const Resource> table);
// The resource of that name and type (type compared without regard to case), or null.
const Resource* findResource(std::string_view name, std::string_view type);

// Loads the HTML resource with the numeric id into the window, after setting the media type.
// A missing or empty resource leaves the window's document as it was; returns false then.
bool loadHtmlResource(HtmlWindow& window, int id);

// "contrast-screen" while the desktop asks for high contrast, else "screen". The desktop is
// asked through the query the platform installs; without one the answer is "no".
void setMediaType(HtmlWindow& window);
void setHighContrastQuery(std::function<bool()> query);

// What to do with a requested address.
struct LoadData {
    enum class Outcome {
        Discard,    // nothing to load (an empty address, or a resource that is empty)
        Engine,     // the renderer loads it itself (http:, https:, file:, files beside the program)
        Delivered,  // `bytes` of a resource of the program
    };
    Outcome outcome = Outcome::Engine;
    std::string_view bytes;
    std::string type;
};

// Resolves a request: "res:name.type" or "name.type" names a compiled resource (no type, or
// HTML, is HTML); an address with a "/" names a resource in another module, which this
// program has none of, so it is left to the engine like anything not found.
LoadData resolveLoadData(std::string_view address);

}  // namespace vandrel::ui
