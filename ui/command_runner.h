#pragma once
// Runs a long command flow with the user's prompt. The GTK runner keeps the window responsive
// (the busy window animates) while the flow runs; the headless one just calls it. `onUi` runs
// a step that touches the pages on the UI thread and returns when it is done.

#include <exception>
#include <functional>
#include <string>

#include "core/user_prompt.h"

namespace vandrel::ui {

class CommandRunner {
  public:
    virtual ~CommandRunner() = default;
    virtual void run(const std::function<void(UserPrompt&)>& command) = 0;
    virtual void onUi(const std::function<void()>& step) = 0;
    // The prompt of short dialogues on the UI thread (a question, a file chooser) that need
    // no worker.
    virtual UserPrompt& prompt() = 0;
};

// Runs the command; whatever it did not handle is told through the prompt, and the program
// goes on.
inline void runTellingFailure(const std::function<void(UserPrompt&)>& command, UserPrompt& prompt) {
    try {
        command(prompt);
    } catch (const std::exception& e) {
        prompt.error(std::string("The command failed: ") + e.what());
    }
}

// Runs everything at once on the caller's thread.
class DirectCommandRunner final : public CommandRunner {
  public:
    explicit DirectCommandRunner(UserPrompt& prompt) : prompt_(prompt) {}
    void run(const std::function<void(UserPrompt&)>& command) override {
        runTellingFailure(command, prompt_);
    }
    void onUi(const std::function<void()>& step) override { step(); }
    UserPrompt& prompt() override { return prompt_; }

  private:
    UserPrompt& prompt_;
};

}  // namespace vandrel::ui
