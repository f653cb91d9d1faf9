#include "platform/gtk/web_renderer.h"

#include <span>

#include "platform/gtk/json_text.h"
#include "platform/gtk/sandbox_probe.h"
#include "ui/controls.h"
#include "ui/resources.h"

std::span<const vandrel::ui::Resource> gtkScripts();

namespace vandrel::gtk {

// Serves the program's scheme in the context from the renderer `*target` names while it is
// not null; the context deletes `target` when it goes.
void registerProgramScheme(WebKitWebContext* context, WebRenderer** target);

std::string script(std::string_view name, std::string_view type) {
    for (const ui::Resource& r : gtkScripts()) {
        if (r.name == name && r.type == type) {
            return std::string(r.data());
        }
    }
    return {};
}

namespace {

constexpr const char* kWorld = "vandrel";
constexpr const char* kHandler = "vandrel";

// Only the program's own pages are navigated to; the pages' tiles and searches are loads of
// resources, not navigations, and are not affected.
gboolean decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                      gpointer) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        return FALSE;
    }
    if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    auto* action = webkit_navigation_policy_decision_get_navigation_action(
        WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    if (uri != nullptr && g_str_has_prefix(uri, "vandrel://app/")) {
        webkit_policy_decision_use(decision);
    } else {
        webkit_policy_decision_ignore(decision);
    }
    return TRUE;
}

// High contrast, as the desktop reports it: a theme whose name says so.
bool desktopHighContrast() {
    GtkSettings* settings = gtk_settings_get_default();
    if (settings == nullptr) {
        return false;
    }
    gchar* theme = nullptr;
    g_object_get(settings, "gtk-theme-name", &theme, nullptr);
    bool contrast = theme != nullptr && g_strrstr(theme, "HighContrast") != nullptr;
    g_free(theme);
    return contrast;
}

WebKitWebContext* newProgramContext(WebRenderer** schemeTarget) {
    // Map tiles seen once load again from the user's cache folder, without a new download.
    const std::string cache = std::string(g_get_user_cache_dir()) + "/vandrel";
    WebKitWebsiteDataManager* data =
        webkit_website_data_manager_new("base-cache-directory", cache.c_str(), nullptr);
    WebKitWebContext* c = webkit_web_context_new_with_website_data_manager(data);
    g_object_unref(data);
    webkit_web_context_set_cache_model(c, WEBKIT_CACHE_MODEL_WEB_BROWSER);
    // The web process runs sandboxed wherever bubblewrap can build the sandbox; asked before
    // the context's first web process starts, so that none is started twice.
    webkit_web_context_set_sandbox_enabled(c, sandboxWorks());
    registerProgramScheme(c, schemeTarget);
    ui::setHighContrastQuery(desktopHighContrast);
    return c;
}

}  // namespace

class WebRenderer::Backend : public ui::BrowserBackend {
  public:
    Backend(WebRenderer& renderer, ui::BrowserHost& host) : renderer_(renderer), host_(host) {}
    void navigate(const std::string& address) override { renderer_.browse(host_, address); }
    void call(const std::string& function, const std::vector<std::string>& args,
              std::function<void(bool, std::string)> done) override {
        renderer_.callPageFunction(host_, function, args, std::move(done));
    }

  private:
    WebRenderer& renderer_;
    ui::BrowserHost& host_;
};

WebRenderer::WebRenderer() : alive_(std::make_shared<bool>(true)) {
    schemeTarget_ = new WebRenderer*(this);
    context_ = newProgramContext(schemeTarget_);
    content_ = webkit_user_content_manager_new();
    const char* const allow[] = {"vandrel://app/*", nullptr};
    std::string drawingCanvas = script("drawing_canvas", "JS");
    std::string bridge = script("bridge", "JS");
    std::string external = script("external", "JS");
    std::string css = script("pages", "CSS");
    // The bridge paints drawings with drawing_canvas.js, so it comes first.
    webkit_user_content_manager_add_script(
        content_, webkit_user_script_new_for_world(
                      drawingCanvas.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                      WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kWorld, allow, nullptr));
    webkit_user_content_manager_add_script(
        content_, webkit_user_script_new_for_world(
                      bridge.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                      WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kWorld, allow, nullptr));
    webkit_user_content_manager_add_script(
        content_,
        webkit_user_script_new(external.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, allow, nullptr));
    webkit_user_content_manager_add_style_sheet(
        content_, webkit_user_style_sheet_new(css.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                              WEBKIT_USER_STYLE_LEVEL_USER, allow, nullptr));
    // The 4.1 API hands the message over as a WebKitJavascriptResult (a JSCValue in 6.0).
    g_signal_connect(
        content_, "script-message-received::vandrel",
        G_CALLBACK(+[](WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self) {
            static_cast<WebRenderer*>(self)->handleMessage(
                webkit_javascript_result_get_js_value(result));
        }),
        this);
    webkit_user_content_manager_register_script_message_handler_in_world(content_, kHandler,
                                                                         kWorld);
}

WebRenderer::~WebRenderer() {
    *alive_ = false;
    if (flushSource_ != 0) {
        g_source_remove(flushSource_);
    }
    for (auto& [key, state] : windows_) {
        if (state.window->renderLink() == this && state.parentKey == 0) {
            state.window->setRenderLink(nullptr);
        }
    }
    *schemeTarget_ = nullptr;
    g_signal_handlers_disconnect_by_data(content_, this);
    g_object_unref(content_);
    g_object_unref(context_);
}

GtkWidget* WebRenderer::show(ui::HtmlWindow& window) {
    GtkWidget* widget = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context_,
                                                "user-content-manager", content_, nullptr));
    WebKitWebView* view = WEBKIT_WEB_VIEW(widget);
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    webkit_settings_set_enable_developer_extras(settings, FALSE);
    // Tile and search services ask the programs that use them to say who they are.
    webkit_settings_set_user_agent_with_application_details(settings, "Vandrel", VANDREL_VERSION);
    webkit_settings_set_allow_file_access_from_file_urls(settings, FALSE);
    webkit_settings_set_allow_universal_access_from_file_urls(settings, FALSE);
    webkit_settings_set_enable_write_console_messages_to_stdout(
        settings, g_getenv("VANDREL_WEB_CONSOLE") != nullptr);
    // The pages are flat documents and the maps draw without 3-D transforms: composited layers
    // buy them nothing, and where no graphics card serves them they cost every change a redraw
    // of the whole window on the processor (opening the Detail view took 0.5 s, not 0.1 s).
    webkit_settings_set_hardware_acceleration_policy(settings,
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    // A turn of the wheel moves a list at once, as the desktop's own lists do. Animated, each
    // notch painted the list four times over a quarter of a second: three times the work, and
    // the rows reached their place 30 ms after the notch instead of 19.
    webkit_settings_set_enable_smooth_scrolling(settings, FALSE);
    g_signal_connect(view, "decide-policy", G_CALLBACK(decidePolicy), nullptr);
    window.setRenderLink(this);
    WindowState& state = ensure(window);
    state.view = view;
    state.parentKey = 0;
    documentLoaded(window);
    return widget;
}

WebKitWebView* WebRenderer::view(const ui::HtmlWindow& window) const {
    auto it = keys_.find(&window);
    return it != keys_.end() ? windows_.at(it->second).view : nullptr;
}

void WebRenderer::serveFolder(const std::string& prefix, const std::filesystem::path& folder) {
    folders_[prefix] = folder;
}

WebRenderer::WindowState* WebRenderer::stateByKey(int key) {
    auto it = windows_.find(key);
    return it != windows_.end() ? &it->second : nullptr;
}

bool WebRenderer::isReady(const ui::HtmlWindow& window) const {
    auto it = keys_.find(&window);
    return it != keys_.end() && windows_.at(it->second).ready;
}

WebRenderer::WindowState& WebRenderer::ensure(ui::HtmlWindow& window) {
    auto it = keys_.find(&window);
    if (it != keys_.end()) {
        return windows_[it->second];
    }
    int key = nextKey_++;
    keys_[&window] = key;
    WindowState& state = windows_[key];
    state.window = &window;
    state.key = key;
    if (auto* parent = dynamic_cast<ui::HtmlWindow*>(window.parent())) {
        auto p = keys_.find(parent);
        if (p != keys_.end()) {
            state.parentKey = p->second;
            state.view = windows_[p->second].view;
        }
    }
    return state;
}

std::string WebRenderer::windowAddress(const WindowState& state) const {
    return "vandrel://app/?w=" + std::to_string(state.key) +
           "&g=" + std::to_string(state.generation);
}

// The iframe uids from the top-level window down to this one, as a JSON array.
std::string WebRenderer::pathJson(const WindowState& state) const {
    std::vector<std::uint64_t> uids;
    for (const WindowState* s = &state; s != nullptr && s->parentKey != 0;) {
        uids.insert(uids.begin(), s->hostUid);
        auto it = windows_.find(s->parentKey);
        s = it != windows_.end() ? &it->second : nullptr;
    }
    std::string out = "[";
    for (std::size_t i = 0; i < uids.size(); ++i) {
        if (i != 0) {
            out += ',';
        }
        out += std::to_string(uids[i]);
    }
    return out + "]";
}

void WebRenderer::documentLoaded(ui::HtmlWindow& window) {
    WindowState& state = ensure(window);
    ++state.generation;
    state.ready = false;
    state.batch.clear();
    state.deferred.clear();
    state.batchOps = 0;
    if (state.parentKey == 0) {
        if (state.view != nullptr) {
            webkit_web_view_load_uri(state.view, windowAddress(state).c_str());
        }
        return;
    }
    WindowState* parent = stateByKey(state.parentKey);
    if (parent != nullptr && parent->ready && state.hostUid != 0) {
        std::string op;
        appendOpJson("frame", state.hostUid, windowAddress(state), op);
        queue(*parent, std::move(op), true);
    }
}

void WebRenderer::changed(ui::HtmlWindow& window, const ui::Change& change) {
    auto it = keys_.find(&window);
    if (it == keys_.end()) {
        return;
    }
    WindowState& state = windows_[it->second];
    std::string op;
    appendChangeJson(change, op);
    queue(state, std::move(op));
    if (change.kind == ui::Change::Kind::Content && state.ready) {
        resyncControls(state, change.uid);
    }
}

// New markup of an element rebuilds its part of the page: the frames, browser hosts and drawn
// controls inside it get their content again.
void WebRenderer::resyncControls(WindowState& state, std::uint64_t uid) {
    ui::Element* changed = state.window->document().findByUid(uid);
    if (changed == nullptr) {
        return;
    }
    for (auto& [controlUid, control] : state.window->controls()) {
        ui::Element* host = state.window->document().findByUid(controlUid);
        if (host == nullptr || host == changed || !host->isInside(*changed)) {
            continue;
        }
        if (auto* frame = dynamic_cast<ui::HtmlWindow*>(control.get())) {
            auto child = keys_.find(frame);
            if (child != keys_.end()) {
                std::string frameOp;
                appendOpJson("frame", controlUid, windowAddress(windows_[child->second]), frameOp);
                queue(state, std::move(frameOp), true);
            }
        } else if (auto* browser = dynamic_cast<ui::BrowserHost*>(control.get())) {
            if (!browser->address().empty()) {
                browse(*browser, browser->address());
            }
        } else if (auto* drawn = dynamic_cast<ui::Control*>(control.get())) {
            drawn->resized();
        }
    }
}

void WebRenderer::queue(WindowState& state, std::string op, bool deferred) {
    // Frame addresses go after the content that creates their iframes.
    std::string& target = deferred ? state.deferred : state.batch;
    if (!target.empty()) {
        target += ',';
    }
    target += op;
    ++state.batchOps;
    scheduleFlush();
}

void WebRenderer::scheduleFlush() {
    if (flushSource_ != 0) {
        return;
    }
    flushSource_ = g_idle_add_full(
        G_PRIORITY_DEFAULT_IDLE,
        [](gpointer self) -> gboolean {
            auto* renderer = static_cast<WebRenderer*>(self);
            renderer->flushSource_ = 0;
            renderer->flush();
            return G_SOURCE_REMOVE;
        },
        this, nullptr);
}

void WebRenderer::flush() {
    for (auto& [key, state] : windows_) {
        if (state.ready && state.batchOps != 0) {
            sendBatch(state);
        }
    }
}

void WebRenderer::sendBatch(WindowState& state) {
    std::string batch = "[" + state.batch;
    if (!state.deferred.empty()) {
        batch += (state.batch.empty() ? "" : ",") + state.deferred;
    }
    batch += "]";
    opsSent_ += state.batchOps;
    state.batch.clear();
    state.deferred.clear();
    state.batchOps = 0;
    if (state.view == nullptr) {
        return;
    }
    // The batch and the path travel as arguments, never as script text.
    GVariantBuilder args;
    g_variant_builder_init(&args, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&args, "{sv}", "path", g_variant_new_string(pathJson(state).c_str()));
    g_variant_builder_add(&args, "{sv}", "batch", g_variant_new_string(batch.c_str()));
    static const std::string kBody = script("apply_batch", "JS");
    struct Pending {
        WebRenderer* renderer;
        std::weak_ptr<bool> alive;
    };
    webkit_web_view_call_async_javascript_function(
        state.view, kBody.c_str(), -1, g_variant_builder_end(&args), kWorld, nullptr, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
            GError* error = nullptr;
            JSCValue* value = webkit_web_view_call_async_javascript_function_finish(
                WEBKIT_WEB_VIEW(source), result, &error);
            auto alive = pending->alive.lock();
            if (alive && *alive) {
                int applied =
                    value != nullptr && jsc_value_is_number(value) ? jsc_value_to_int32(value) : -1;
                if (applied < 0) {
                    ++pending->renderer->batchesFailed_;
                } else {
                    pending->renderer->opsApplied_ += static_cast<std::uint64_t>(applied);
                }
            }
            if (error != nullptr) {
                g_error_free(error);
            }
            if (value != nullptr) {
                g_object_unref(value);
            }
        },
        new Pending{this, alive_});
}

void WebRenderer::controlCreated(ui::HtmlWindow& parent, ui::Element& host, ui::Window& control) {
    if (auto* frame = dynamic_cast<ui::HtmlWindow*>(&control)) {
        WindowState& state = ensure(*frame);
        state.hostUid = host.uid();
        auto p = keys_.find(&parent);
        if (p != keys_.end()) {
            state.parentKey = p->second;
            state.view = windows_[p->second].view;
            if (windows_[p->second].ready) {
                std::string op;
                appendOpJson("frame", state.hostUid, windowAddress(state), op);
                queue(windows_[p->second], std::move(op), true);
            }
        }
        return;
    }
    if (auto* browser = dynamic_cast<ui::BrowserHost*>(&control)) {
        auto backend = std::make_unique<Backend>(*this, *browser);
        browser->setBackend(backend.get());
        backends_[&control] = std::move(backend);
    }
}

void WebRenderer::forget(ui::HtmlWindow& window) {
    for (auto& [uid, child] : window.controls()) {
        if (auto* frame = dynamic_cast<ui::HtmlWindow*>(child.get())) {
            forget(*frame);
        }
        backends_.erase(child.get());
    }
    auto it = keys_.find(&window);
    if (it != keys_.end()) {
        windows_.erase(it->second);
        keys_.erase(it);
    }
}

void WebRenderer::windowDestroyed(ui::HtmlWindow& window) {
    forget(window);
}

void WebRenderer::controlDestroyed(ui::HtmlWindow&, ui::Window& control) {
    if (auto* frame = dynamic_cast<ui::HtmlWindow*>(&control)) {
        forget(*frame);
    }
    if (auto* browser = dynamic_cast<ui::BrowserHost*>(&control)) {
        browser->setBackend(nullptr);
    }
    backends_.erase(&control);
}

}  // namespace vandrel::gtk
