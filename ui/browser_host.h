#pragma once
// The host of an embedded web page (`sys-ie`): it navigates, calls the page's global functions
// by name with string arguments, and answers the page's `window.external` calls through the
// handler its owner installs. Dropped files are never opened. The platform supplies the
// backend (the WebKit frame; a recording fake in tests).

#include <functional>
#include <string>
#include <vector>

#include "ui/controls.h"

namespace vandrel::ui {

class BrowserBackend {
  public:
    virtual ~BrowserBackend() = default;
    virtual void navigate(const std::string& address) = 0;
    // Calls the page's global function; `done` gets whether it existed and its result as text.
    virtual void call(const std::string& function, const std::vector<std::string>& args,
                      std::function<void(bool found, std::string result)> done) = 0;
};

class BrowserHost : public Control {
  public:
    using ExternalHandler =
        std::function<std::string(const std::string& method, const std::vector<std::string>& args)>;
    using LoadedHandler = std::function<void(const std::string& address)>;

    BrowserHost(HtmlWindow& owner, const Element& element, ControlSpec widgetSpec);

    void setBackend(BrowserBackend* backend);
    BrowserBackend* backend() const { return backend_; }

    // Loads the address (a file path or a URL). Returns false without a backend.
    bool navigate(const std::string& address);
    const std::string& address() const { return address_; }
    bool isLoaded() const { return loaded_; }

    // Calls a global function of the loaded page; false when no page is loaded yet.
    bool callFunction(const std::string& name, const std::vector<std::string>& args,
                      std::function<void(bool found, std::string result)> done = {});

    void setExternalHandler(ExternalHandler handler) { external_ = std::move(handler); }
    void setLoadedHandler(LoadedHandler handler) { loadedHandler_ = std::move(handler); }
    bool acceptsDroppedFiles() const { return false; }

    // From the backend: a `window.external` call of the page, and a finished load.
    std::string externalCall(const std::string& method, const std::vector<std::string>& args);
    void pageLoaded(const std::string& address);

  private:
    BrowserBackend* backend_ = nullptr;
    std::string address_;
    bool loaded_ = false;
    ExternalHandler external_;
    LoadedHandler loadedHandler_;
};

}  // namespace vandrel::ui
