#pragma once
// The command-line tool's answers to a command flow's questions: messages go to stderr as
// they stand, questions are asked on the terminal, and without a terminal the cautious answer
// is taken unless --yes said otherwise.

#include <iosfwd>
#include <memory>
#include <string>

#include "core/user_prompt.h"

namespace vandrel::cli {

class TerminalPrompt : public UserPrompt {
  public:
    TerminalPrompt(std::istream& in, std::ostream& err, bool interactive, bool assumeYes);

    bool askYesNo(const std::string& line1, const std::string& line2) override;
    void notice(const std::string& line1, const std::string& line2) override;
    void error(const std::string& message) override;
    void waiting(const std::string& message) override;
    OverwriteAnswer askOverwrite(const std::string& line1, const std::string& line2) override;
    std::optional<std::string> chooseOpenFile(const FileFilter& filter) override;
    std::optional<std::string> chooseSaveFile(const FileFilter& filter) override;
    void beginBusy() override {}
    void endBusy() override {}

  private:
    std::string ask(const std::string& question);

    std::istream& in_;
    std::ostream& err_;
    bool interactive_;
    bool assumeYes_;
};

// The terminal's prompt for a command that stores tracks, with the overwrite question answered
// as --overwrite says ("keep", "always"); "ask" asks on the terminal, and without one the
// answer that keeps the stored track is taken.
std::unique_ptr<TerminalPrompt> overwritePrompt(const std::string& overwrite);

}  // namespace vandrel::cli
