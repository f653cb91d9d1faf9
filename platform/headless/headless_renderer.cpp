#include "platform/headless/headless_renderer.h"

namespace vandrel::headless {

void FakeBrowser::call(const std::string& function, const std::vector<std::string>& args,
                       std::function<void(bool, std::string)> done) {
    calls.push_back(Call{function, args});
    auto it = functions.find(function);
    if (!done) {
        return;
    }
    const bool found = it != functions.end();
    std::string result = found ? it->second : std::string();
    if (answerLater) {
        unanswered.push_back([done, found, result] { done(found, result); });
    } else {
        done(found, std::move(result));
    }
}

void FakeBrowser::finishLoad() {
    host_.pageLoaded(navigations.empty() ? std::string() : navigations.back());
}

std::string FakeBrowser::callExternal(const std::string& method,
                                      const std::vector<std::string>& args) {
    return host_.externalCall(method, args);
}

void HeadlessRenderer::documentLoaded(ui::HtmlWindow&) {
    ++loads;
}

void HeadlessRenderer::changed(ui::HtmlWindow&, const ui::Change& change) {
    changes.push_back(change);
}

void HeadlessRenderer::controlCreated(ui::HtmlWindow&, ui::Element&, ui::Window& control) {
    if (auto* host = dynamic_cast<ui::BrowserHost*>(&control)) {
        auto fake = std::make_unique<FakeBrowser>(*host);
        host->setBackend(fake.get());
        browsers_[&control] = std::move(fake);
    }
}

void HeadlessRenderer::controlDestroyed(ui::HtmlWindow&, ui::Window& control) {
    if (auto* host = dynamic_cast<ui::BrowserHost*>(&control)) {
        host->setBackend(nullptr);
    }
    browsers_.erase(&control);
}

FakeBrowser* HeadlessRenderer::browser(const ui::Window& host) const {
    auto it = browsers_.find(&host);
    return it != browsers_.end() ? it->second.get() : nullptr;
}

}  // namespace vandrel::headless
