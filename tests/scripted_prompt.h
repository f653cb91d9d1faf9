#pragma once
// A UserPrompt with scripted answers that records everything a flow said.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/user_prompt.h"

namespace vandrel::testing {

class ScriptedPrompt : public UserPrompt {
  public:
    std::vector<std::string>
        said;  // notices (line1 + "|" + line2 when two) and errors ("error: ...")
    std::deque<bool> yesNoAnswers;
    std::deque<OverwriteAnswer> overwriteAnswers;
    std::deque<std::string> files;
    // The answers of the dialogs that take several files, each whole; else one of `files`.
    std::deque<std::vector<std::string>> fileGroups;
    std::vector<std::string> suggestedNames;  // the names the save dialogs offered, in order
    int busyBegun = 0;
    int busyEnded = 0;
    bool busyDuringLastNotice = false;
    // Runs as the busy indicator starts: what the program shows while the work runs.
    std::function<void()> onBusy;

    bool askYesNo(const std::string& line1, const std::string& line2) override {
        said.push_back("ask: " + line1 + "|" + line2);
        if (yesNoAnswers.empty()) {
            return false;
        }
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
    void notice(const std::string& line1, const std::string& line2) override {
        said.push_back(line2.empty() ? line1 : line1 + "|" + line2);
        busyDuringLastNotice = busyBegun > busyEnded;
    }
    void error(const std::string& message) override { said.push_back("error: " + message); }
    OverwriteAnswer askOverwrite(const std::string& line1, const std::string& line2) override {
        said.push_back("overwrite: " + line1 + "|" + line2);
        if (overwriteAnswers.empty()) {
            return OverwriteAnswer::Ok;
        }
        const OverwriteAnswer answer = overwriteAnswers.front();
        overwriteAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> chooseOpenFile(const FileFilter&) override { return nextFile(); }
    std::vector<std::string> chooseOpenFiles(const FileFilter& filter) override {
        if (fileGroups.empty()) {
            return UserPrompt::chooseOpenFiles(filter);
        }
        std::vector<std::string> group = fileGroups.front();
        fileGroups.pop_front();
        return group;
    }
    std::optional<std::string> chooseSaveFile(const FileFilter& filter) override {
        suggestedNames.push_back(filter.suggestedName);
        return nextFile();
    }
    void beginBusy() override {
        ++busyBegun;
        if (onBusy) {
            onBusy();
        }
    }
    void endBusy() override { ++busyEnded; }

  private:
    std::optional<std::string> nextFile() {
        if (files.empty()) {
            return std::nullopt;
        }
        std::string file = files.front();
        files.pop_front();
        return file;
    }
};

}  // namespace vandrel::testing
