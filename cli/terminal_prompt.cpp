#include "cli/terminal_prompt.h"

#include <unistd.h>

#include <iostream>
#include <istream>
#include <ostream>
#include <string>

namespace vandrel::cli {

TerminalPrompt::TerminalPrompt(std::istream& in, std::ostream& err, bool interactive,
                               bool assumeYes)
    : in_(in), err_(err), interactive_(interactive), assumeYes_(assumeYes) {}

std::string TerminalPrompt::ask(const std::string& question) {
    err_ << question << std::flush;
    std::string answer;
    if (!std::getline(in_, answer)) {
        return {};
    }
    return answer;
}

bool TerminalPrompt::askYesNo(const std::string& line1, const std::string& line2) {
    if (assumeYes_) {
        return true;
    }
    if (!interactive_) {
        return false;
    }
    const std::string answer = ask(line1 + (line2.empty() ? "" : " " + line2) + " [y/N] ");
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

void TerminalPrompt::notice(const std::string& line1, const std::string& line2) {
    err_ << line1;
    if (!line2.empty()) {
        err_ << '\n' << line2;
    }
    err_ << std::endl;
}

void TerminalPrompt::error(const std::string& message) {
    err_ << message << std::endl;
}

void TerminalPrompt::waiting(const std::string& message) {
    err_ << message << std::endl;
}

OverwriteAnswer TerminalPrompt::askOverwrite(const std::string& line1, const std::string& line2) {
    if (!interactive_) {
        return OverwriteAnswer::Ok;
    }
    const std::string answer =
        ask(line1 + " " + line2 + " [o] OK (keep)  [w] Overwrite  [a] Always Overwrite: ");
    if (answer == "w" || answer == "W") {
        return OverwriteAnswer::Overwrite;
    }
    if (answer == "a" || answer == "A") {
        return OverwriteAnswer::AlwaysOverwrite;
    }
    return OverwriteAnswer::Ok;
}

// The tool takes every file on its command line; a flow that still asks gets no file.
std::optional<std::string> TerminalPrompt::chooseOpenFile(const FileFilter&) {
    return {};
}
std::optional<std::string> TerminalPrompt::chooseSaveFile(const FileFilter&) {
    return {};
}

namespace {

class AnsweredPrompt : public TerminalPrompt {
  public:
    AnsweredPrompt(OverwriteAnswer answer, bool interactive)
        : TerminalPrompt(std::cin, std::cerr, interactive, false), answer_(answer) {}
    OverwriteAnswer askOverwrite(const std::string&, const std::string&) override {
        return answer_;
    }

  private:
    OverwriteAnswer answer_;
};

}  // namespace

std::unique_ptr<TerminalPrompt> overwritePrompt(const std::string& overwrite) {
    const bool interactive = ::isatty(STDIN_FILENO) != 0;
    if (overwrite == "keep") {
        return std::make_unique<AnsweredPrompt>(OverwriteAnswer::Ok, interactive);
    }
    if (overwrite == "always") {
        return std::make_unique<AnsweredPrompt>(OverwriteAnswer::AlwaysOverwrite, interactive);
    }
    return std::make_unique<TerminalPrompt>(std::cin, std::cerr, interactive, false);
}

}  // namespace vandrel::cli
