#pragma once
// The window of one page of the main frame (an iframe of the tab bar page): it loads the page's
// resource and routes the clicks, element commands and messages of its ids to its handlers.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/command_runner.h"
#include "ui/events.h"
#include "ui/html_window.h"

namespace vandrel::ui {

class PageWindow : public HtmlWindow, public EventHandler {
  public:
    PageWindow(EventLoop& loop, Window* parent, int controlId, CommandRunner* commands,
               int resourceId);

    // Loads the page's resource and takes its events.
    virtual void init();

    // Compares the target's id, exactly, with the page's ids in table order and runs each
    // match; the event stays unhandled so that later pages still see it.
    bool onBehaviorEvent(HtmlWindow& window, Element& self, BehaviorEvent& event) override;

    // The element with the id, or null.
    Element* byId(const std::string& id) const;
    // Shows or hides the element with the id.
    void setDisplay(const std::string& id, const char* display) const;

    // Runs a step the page takes on a click, a key, a hover or a notice: the reads it makes
    // (a damaged or vanished database) may fail, and nothing between the page and the
    // toolkit's callbacks would catch that. A failure is told through the prompt and the
    // program goes on; where no prompt can be held (a test of the page alone) it goes on up.
    void guard(const std::function<void()>& step) const;

  protected:
    using Handler = std::function<void()>;
    void addClick(std::string id, Handler handler);
    void addCommand(std::string id, Handler handler);
    void addMessage(MessageId id, std::function<void(const Message&)> handler);

    std::intptr_t handleMessage(const Message& message) override;
    // What a person reads when a step of the page failed.
    virtual std::string failureText(const std::string& what) const;

    // Null where no command can run (a test of the page alone).
    CommandRunner* commands_;

  private:
    int resourceId_;
    std::vector<std::pair<std::string, Handler>> clicks_;
    std::vector<std::pair<std::string, Handler>> elementCommands_;
    std::vector<std::pair<MessageId, std::function<void(const Message&)>>> messages_;
};

}  // namespace vandrel::ui
