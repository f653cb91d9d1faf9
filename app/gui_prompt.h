#pragma once
// The desktop's answer to a command's questions: the HTML message boxes, the platform's file
// chooser and the busy window, with the owner window insensitive while the busy window shows.
// A question is always in front: while a box or a file chooser is open the busy window is off
// the screen, and it comes back when the last one closes if the command is still busy.

#include <optional>
#include <string>
#include <vector>

#include "app/message_boxes.h"
#include "core/user_prompt.h"
#include "ui/window.h"

namespace vandrel::app {

class FileChooser {
  public:
    virtual ~FileChooser() = default;
    virtual std::optional<std::string> open(const FileFilter& filter, ui::Window* owner) = 0;
    // Several files of one folder; empty when none was chosen. One at a time by default.
    virtual std::vector<std::string> openMany(const FileFilter& filter, ui::Window* owner) {
        std::optional<std::string> file = open(filter, owner);
        return file ? std::vector<std::string>{std::move(*file)} : std::vector<std::string>{};
    }
    // Asks before an existing file is replaced.
    virtual std::optional<std::string> save(const FileFilter& filter, ui::Window* owner) = 0;
};

class BusyIndicator {
  public:
    virtual ~BusyIndicator() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    // Off the screen while a question is in front, and back after it; the owner stays
    // insensitive meanwhile. Only between start() and stop().
    virtual void hide() = 0;
    virtual void show() = 0;
};

class GuiPrompt final : public UserPrompt {
  public:
    GuiPrompt(BoxRunner& boxes, FileChooser& files, BusyIndicator& busy)
        : boxes_(boxes), files_(files), busy_(busy) {}

    // The window that owns the boxes and goes insensitive while busy (the main frame).
    void setOwner(ui::Window* owner) { owner_ = owner; }

    bool askYesNo(const std::string& line1, const std::string& line2) override;
    void notice(const std::string& line1, const std::string& line2 = {}) override;
    void success(const std::string& line1, const std::string& line2 = {}) override;
    void error(const std::string& message) override;
    // Another program holds the program folder: the user learns why nothing happens yet.
    void waiting(const std::string& message) override { notice(message); }
    OverwriteAnswer askOverwrite(const std::string& line1, const std::string& line2) override;
    std::optional<std::string> chooseOpenFile(const FileFilter& filter) override;
    std::vector<std::string> chooseOpenFiles(const FileFilter& filter) override;
    std::optional<std::string> chooseSaveFile(const FileFilter& filter) override;
    void beginBusy() override;
    void endBusy() override;

  private:
    // Counts a question (a box, a file chooser) open for as long as it lives: the first one
    // takes the busy window off the screen, the last one brings it back.
    class InFront {
      public:
        explicit InFront(GuiPrompt& prompt);
        ~InFront();
        InFront(const InFront&) = delete;
        InFront& operator=(const InFront&) = delete;

      private:
        GuiPrompt& prompt_;
    };
    int runBox(MessageBox& box);

    enum class Busy {
        Off,      // not busy
        Waiting,  // busy since a question was open: it shows once the questions are answered
        Shown,
        Hidden,  // behind an open question
    };

    BoxRunner& boxes_;
    FileChooser& files_;
    BusyIndicator& busy_;
    ui::Window* owner_ = nullptr;
    Busy busyState_ = Busy::Off;
    int questionsOpen_ = 0;  // nested ones included
};

}  // namespace vandrel::app
