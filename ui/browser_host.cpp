#include "ui/browser_host.h"

namespace vandrel::ui {

BrowserHost::BrowserHost(HtmlWindow& owner, const Element& element, ControlSpec widgetSpec)
    : Control(owner, element, std::move(widgetSpec)) {}

void BrowserHost::setBackend(BrowserBackend* backend) {
    backend_ = backend;
    if (backend_ != nullptr && !address_.empty()) {
        backend_->navigate(address_);
    }
}

bool BrowserHost::navigate(const std::string& address) {
    address_ = address;
    loaded_ = false;
    if (backend_ == nullptr) {
        return false;
    }
    backend_->navigate(address);
    return true;
}

bool BrowserHost::callFunction(const std::string& name, const std::vector<std::string>& args,
                               std::function<void(bool, std::string)> done) {
    if (backend_ == nullptr || !loaded_) {
        return false;
    }
    backend_->call(
        name, args, done ? std::move(done) : [](bool, std::string) {});
    return true;
}

std::string BrowserHost::externalCall(const std::string& method,
                                      const std::vector<std::string>& args) {
    return external_ ? external_(method, args) : std::string();
}

void BrowserHost::pageLoaded(const std::string& address) {
    loaded_ = true;
    if (loadedHandler_) {
        loadedHandler_(address);
    }
}

}  // namespace vandrel::ui
