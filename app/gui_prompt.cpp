#include "app/gui_prompt.h"

namespace vandrel::app {

GuiPrompt::InFront::InFront(GuiPrompt& prompt) : prompt_(prompt) {
    if (prompt_.questionsOpen_++ == 0 && prompt_.busyState_ == Busy::Shown) {
        prompt_.busy_.hide();
        prompt_.busyState_ = Busy::Hidden;
    }
}

GuiPrompt::InFront::~InFront() {
    if (--prompt_.questionsOpen_ > 0) {
        return;
    }
    if (prompt_.busyState_ == Busy::Hidden) {
        prompt_.busy_.show();
        prompt_.busyState_ = Busy::Shown;
    } else if (prompt_.busyState_ == Busy::Waiting) {
        prompt_.busy_.start();
        prompt_.busyState_ = Busy::Shown;
    }
}

int GuiPrompt::runBox(MessageBox& box) {
    InFront inFront(*this);
    return boxes_.run(box, owner_);
}

bool GuiPrompt::askYesNo(const std::string& line1, const std::string& line2) {
    YesNoBox box(line1, line2);
    return runBox(box) == 1;
}

void GuiPrompt::notice(const std::string& line1, const std::string& line2) {
    // The notice has one line of text; a second line follows the first after a blank.
    NoticeBox box(line2.empty() ? line1 : line1 + " " + line2);
    runBox(box);
}

void GuiPrompt::success(const std::string& line1, const std::string& line2) {
    NoticeBox box(line2.empty() ? line1 : line1 + " " + line2, NoticeBox::Tone::Success);
    runBox(box);
}

void GuiPrompt::error(const std::string& message) {
    NoticeBox box(message);
    runBox(box);
}

OverwriteAnswer GuiPrompt::askOverwrite(const std::string& line1, const std::string& line2) {
    OverwriteBox box(line1, line2);
    switch (runBox(box)) {
        case 1:
            return OverwriteAnswer::Overwrite;
        case 2:
            return OverwriteAnswer::AlwaysOverwrite;
        default:
            return OverwriteAnswer::Ok;
    }
}

std::optional<std::string> GuiPrompt::chooseOpenFile(const FileFilter& filter) {
    InFront inFront(*this);
    return files_.open(filter, owner_);
}

std::vector<std::string> GuiPrompt::chooseOpenFiles(const FileFilter& filter) {
    InFront inFront(*this);
    return files_.openMany(filter, owner_);
}

std::optional<std::string> GuiPrompt::chooseSaveFile(const FileFilter& filter) {
    InFront inFront(*this);
    return files_.save(filter, owner_);
}

void GuiPrompt::beginBusy() {
    if (owner_ != nullptr) {
        owner_->enable(false);
    }
    if (busyState_ != Busy::Off) {
        return;
    }
    if (questionsOpen_ > 0) {
        busyState_ = Busy::Waiting;
    } else {
        busy_.start();
        busyState_ = Busy::Shown;
    }
}

void GuiPrompt::endBusy() {
    if (busyState_ == Busy::Shown || busyState_ == Busy::Hidden) {
        busy_.stop();
    }
    busyState_ = Busy::Off;
    if (owner_ != nullptr) {
        owner_->enable(true);
    }
}

}  // namespace vandrel::app
