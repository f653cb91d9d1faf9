#include "app/gui_prompt.h"

namespace vandrel::app {

bool GuiPrompt::askYesNo(const std::string& line1, const std::string& line2) {
    YesNoBox box(line1, line2);
    return boxes_.run(box, owner_) == 1;
}

void GuiPrompt::notice(const std::string& line1, const std::string& line2) {
    // The notice has one line of text; a second line follows the first after a blank.
    NoticeBox box(line2.empty() ? line1 : line1 + " " + line2);
    boxes_.run(box, owner_);
}

void GuiPrompt::error(const std::string& message) {
    NoticeBox box(message);
    boxes_.run(box, owner_);
}

OverwriteAnswer GuiPrompt::askOverwrite(const std::string& line1, const std::string& line2) {
    OverwriteBox box(line1, line2);
    switch (boxes_.run(box, owner_)) {
        case 1:
            return OverwriteAnswer::Overwrite;
        case 2:
            return OverwriteAnswer::AlwaysOverwrite;
        default:
            return OverwriteAnswer::Ok;
    }
}

std::optional<std::string> GuiPrompt::chooseOpenFile(const FileFilter& filter) {
    return files_.open(filter, owner_);
}

std::optional<std::string> GuiPrompt::chooseSaveFile(const FileFilter& filter) {
    return files_.save(filter, owner_);
}

void GuiPrompt::beginBusy() {
    if (owner_ != nullptr) {
        owner_->enable(false);
    }
    busy_.start();
}

void GuiPrompt::endBusy() {
    busy_.stop();
    if (owner_ != nullptr) {
        owner_->enable(true);
    }
}

}  // namespace vandrel::app
