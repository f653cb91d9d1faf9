#pragma once
// The program's questions and notices: modal boxes whose whole face is an HTML page of the
// program (YesNoBox 206, NoticeBox 220, OverwriteBox 221). A box knows its page, its texts, its
// buttons and their results; a BoxRunner (the GTK dialog, or a test's script) shows it and
// returns the result.
//
// Results: YesNoBox 1 Yes (also Enter), 0 No (also Esc); NoticeBox 0; OverwriteBox 1 overwrite,
// 2 always overwrite, 0 OK (also Esc). -1 when the box could not be shown: only 1 confirms, so
// a box that cannot be shown never counts as a Yes.

#include <functional>
#include <string>
#include <string_view>

#include "ui/events.h"
#include "ui/html_window.h"

namespace vandrel::app {

class MessageBox : public ui::EventHandler {
  public:
    virtual int resourceId() const = 0;

    // Loads the box's page into the view, fills it and takes the view's events; `end` is
    // called with the result when a button or key ends the box. False when the page is
    // missing (the caller answers -1).
    bool attach(ui::HtmlWindow& view, std::function<void(int)> end);

    bool onBehaviorEvent(ui::HtmlWindow& view, ui::Element& self,
                         ui::BehaviorEvent& event) override;
    bool onKey(ui::HtmlWindow& view, ui::Element& self, ui::KeyEvent& event) override;

  protected:
    // textClass: the class of the text's element in place of the page's own; empty keeps it.
    MessageBox(std::string line1, std::string line2, std::string textClass = {})
        : line1_(std::move(line1)), line2_(std::move(line2)), textClass_(std::move(textClass)) {}
    // The result of the button with that id, or -1 for any other element.
    virtual int resultFor(std::string_view id) const = 0;
    virtual const char* focusId() const = 0;
    virtual const char* defaultId() const = 0;  // what Enter presses when focus is on no button
    virtual const char* cancelId() const = 0;   // what Esc presses

  private:
    void fill(ui::HtmlWindow& view);
    void finish(int result);

    std::string line1_;
    std::string line2_;
    std::string textClass_;
    std::function<void(int)> end_;
};

class YesNoBox final : public MessageBox {
  public:
    YesNoBox(std::string line1, std::string line2 = {})
        : MessageBox(std::move(line1), std::move(line2)) {}
    int resourceId() const override { return 206; }

  private:
    int resultFor(std::string_view id) const override;
    const char* focusId() const override { return "MsgYes"; }
    const char* defaultId() const override { return "MsgYes"; }
    const char* cancelId() const override { return "MsgNo"; }
};

class NoticeBox final : public MessageBox {
  public:
    // A failure's text is red; a success's is not, so that the two are told apart at a glance.
    enum class Tone { Failure, Success };
    explicit NoticeBox(std::string line, Tone tone = Tone::Failure)
        : MessageBox(std::move(line), {}, tone == Tone::Success ? "msg success" : "") {}
    int resourceId() const override { return 220; }

  private:
    int resultFor(std::string_view id) const override;
    const char* focusId() const override { return "MsgEixt"; }
    const char* defaultId() const override { return "MsgEixt"; }
    const char* cancelId() const override { return "MsgEixt"; }
};

class OverwriteBox final : public MessageBox {
  public:
    OverwriteBox(std::string line1, std::string line2 = {})
        : MessageBox(std::move(line1), std::move(line2)) {}
    int resourceId() const override { return 221; }

  private:
    int resultFor(std::string_view id) const override;
    const char* focusId() const override { return "MsgExit"; }
    const char* defaultId() const override { return "MsgExit"; }
    const char* cancelId() const override { return "MsgExit"; }
};

// Shows a box modally over the owner and returns its result (-1 when it cannot be shown).
class BoxRunner {
  public:
    virtual ~BoxRunner() = default;
    virtual int run(MessageBox& box, ui::Window* owner) = 0;
};

}  // namespace vandrel::app
