#pragma once
// The WebKitGTK renderer of the HTML windows. Each top-level window is one WebKitWebView; each
// child window is an iframe in it. Pages are served from the program's own scheme
// (vandrel://app/?w=KEY, with the files beside the program under vandrel://app/Html/,
// images/ and pois/), so every frame the program loads has one origin and gets the bridge
// script; nothing else gets it.
//
// Changes of the model are queued per window as JSON operations and sent once the loop is idle;
// input and layout come back through one script-message handler in the isolated world.

#include <webkit2/webkit2.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/browser_host.h"
#include "ui/html_window.h"

namespace vandrel::gtk {

// A script or style sheet compiled in from scripts/ (bridge.js is "bridge" of type "JS"), or
// nothing if there is none of that name.
std::string script(std::string_view name, std::string_view type);

class WebRenderer : public ui::RenderLink {
  public:
    WebRenderer();
    ~WebRenderer() override;
    WebRenderer(const WebRenderer&) = delete;
    WebRenderer& operator=(const WebRenderer&) = delete;

    // A new web view showing the top-level window; the caller packs it into a GTK window.
    GtkWidget* show(ui::HtmlWindow& window);
    WebKitWebView* view(const ui::HtmlWindow& window) const;

    // Also serves the files of a folder under vandrel://app/PREFIX/ (the demonstration).
    void serveFolder(const std::string& prefix, const std::filesystem::path& folder);
    // Answers requests under vandrel://app/PREFIX/ with what `answer` gives for the rest of
    // the path (the offline map files' tiles), or "not found" when it gives nothing.
    using Answer =
        std::function<bool(const std::string& rest, std::string& bytes, std::string& mime)>;
    void serveAnswers(const std::string& prefix, Answer answer) {
        answers_[prefix] = std::move(answer);
    }
    // The user's photos, served as "photos/NAME" (files directly inside only).
    void servePhotos(const std::filesystem::path& folder) { photosFolder_ = folder; }
    // The address a browser host loads for a local file, or empty when it is not served.
    std::string addressFor(const std::string& path) const;

    // Sends the queued changes now instead of when the loop is idle.
    void flush();
    bool isReady(const ui::HtmlWindow& window) const;
    // Counts the operations sent to and applied by the pages, and the messages received.
    std::uint64_t operationsSent() const { return opsSent_; }
    std::uint64_t operationsApplied() const { return opsApplied_; }
    std::uint64_t batchesFailed() const { return batchesFailed_; }

    void documentLoaded(ui::HtmlWindow& window) override;
    void changed(ui::HtmlWindow& window, const ui::Change& change) override;
    void controlCreated(ui::HtmlWindow& parent, ui::Element& host, ui::Window& control) override;
    void controlDestroyed(ui::HtmlWindow& parent, ui::Window& control) override;
    void windowDestroyed(ui::HtmlWindow& window) override;

    // For the scheme handler and the bridge (web_renderer_*.cpp).
    struct WindowState {
        ui::HtmlWindow* window = nullptr;
        int key = 0;
        int parentKey = 0;
        std::uint64_t hostUid = 0;
        WebKitWebView* view = nullptr;
        std::string batch;  // JSON objects separated by commas
        std::string deferred;
        std::size_t batchOps = 0;
        bool ready = false;
        int generation = 0;
    };
    WindowState* stateByKey(int key);
    std::string serveWindow(int key);
    bool serveFile(const std::string& path, std::string& bytes, std::string& mime) const;
    void handleMessage(JSCValue* message);
    void callPageFunction(ui::BrowserHost& host, const std::string& function,
                          const std::vector<std::string>& args,
                          std::function<void(bool, std::string)> done);
    void browse(ui::BrowserHost& host, const std::string& address);

  private:
    class Backend;
    WindowState& ensure(ui::HtmlWindow& window);
    std::string windowAddress(const WindowState& state) const;
    std::string pathJson(const WindowState& state) const;
    void queue(WindowState& state, std::string op, bool deferred = false);
    void scheduleFlush();
    void sendBatch(WindowState& state);
    void windowReady(WindowState& state);
    void resyncControls(WindowState& state, std::uint64_t uid);
    void handleWindowMessage(WindowState& state, const std::string& type, JSCValue* message);
    void handleMouse(WindowState& state, JSCValue* message);
    void applyRects(WindowState& state, JSCValue* rects);
    ui::BrowserHost* findHost(std::uint64_t uid) const;
    void forget(ui::HtmlWindow& window);

    // The renderer's own context: the program's scheme is given this renderer through
    // schemeTarget_, which the context owns and the renderer empties when it goes (a view may
    // keep the context a little longer).
    WebKitWebContext* context_ = nullptr;
    WebRenderer** schemeTarget_ = nullptr;
    WebKitUserContentManager* content_ = nullptr;
    std::map<int, WindowState> windows_;
    std::map<const ui::HtmlWindow*, int> keys_;
    std::map<const ui::Window*, std::unique_ptr<Backend>> backends_;
    std::map<std::string, std::filesystem::path> folders_;
    std::filesystem::path photosFolder_;
    std::map<std::string, Answer> answers_;
    int nextKey_ = 1;
    guint flushSource_ = 0;
    std::uint64_t opsSent_ = 0;
    std::uint64_t opsApplied_ = 0;
    std::uint64_t batchesFailed_ = 0;
    std::shared_ptr<bool> alive_;
};

}  // namespace vandrel::gtk
