#pragma once
// The renderer of the headless backend: it shows nothing, records what a real renderer would
// be asked to show, and gives every browser host a FakeBrowser. Tests and the whole-program
// runs without a display use it; they set element locations themselves where layout matters.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/browser_host.h"
#include "ui/html_window.h"

namespace vandrel::headless {

// A browser that records navigations and calls; a test answers for the page.
class FakeBrowser : public ui::BrowserBackend {
  public:
    struct Call {
        std::string function;
        std::vector<std::string> args;
    };
    explicit FakeBrowser(ui::BrowserHost& host) : host_(host) {}

    void navigate(const std::string& address) override { navigations.push_back(address); }
    void call(const std::string& function, const std::vector<std::string>& args,
              std::function<void(bool, std::string)> done) override;

    // Acts as the page: finishes the load, or calls window.external.
    void finishLoad();
    std::string callExternal(const std::string& method, const std::vector<std::string>& args);

    std::vector<std::string> navigations;
    std::vector<Call> calls;
    // Functions the fake page defines; calling another one reports "not found".
    std::map<std::string, std::string> functions;
    // A page busy with a long call: the answers wait in `unanswered` until the test gives them.
    bool answerLater = false;
    std::vector<std::function<void()>> unanswered;

  private:
    ui::BrowserHost& host_;
};

class HeadlessRenderer : public ui::RenderLink {
  public:
    void documentLoaded(ui::HtmlWindow& window) override;
    void changed(ui::HtmlWindow& window, const ui::Change& change) override;
    void controlCreated(ui::HtmlWindow& parent, ui::Element& host, ui::Window& control) override;
    void controlDestroyed(ui::HtmlWindow& parent, ui::Window& control) override;

    // The fake browser of a host, or null.
    FakeBrowser* browser(const ui::Window& host) const;

    std::vector<ui::Change> changes;
    std::size_t loads = 0;

  private:
    std::map<const ui::Window*, std::unique_ptr<FakeBrowser>> browsers_;
};

}  // namespace vandrel::headless
