#pragma once
// The questions and messages a command asks of its user. Every command flow (download, upload,
// settings save, firmware, erase, backup, archive load, export) is written once against this
// interface: the GUI answers with its message boxes and file dialogs, the command-line tool with
// its flags, the terminal and stderr, the tests with scripted answers.

#include <optional>
#include <string>
#include <vector>

namespace vandrel {

enum class OverwriteAnswer { Ok = 0, Overwrite = 1, AlwaysOverwrite = 2 };

// One more choice of files a dialog offers.
struct FileChoice {
    std::string description;  // "GPX Files (*.gpx)"
    std::string pattern;      // "*.gpx"; several are separated by ';'
};

// What a file dialog offers: its filter and, for a save, the file name it starts with.
struct FileFilter {
    std::string description;       // "POI Files (*.poi)"
    std::string pattern;           // "*.poi"
    std::string defaultExtension;  // "poi"
    // The name a save dialog offers first ("2026-11-10 10-00-00.gpx"); empty for
    // "Untitled.<defaultExtension>".
    std::string suggestedName = {};
    // The choices offered after this one (an open dialog's filters for each kind of file).
    std::vector<FileChoice> moreFilters = {};
};

class UserPrompt {
  public:
    virtual ~UserPrompt() = default;

    // A question with Yes and No; true for Yes.
    virtual bool askYesNo(const std::string& line1, const std::string& line2) = 0;
    // A message with one OK button. Used for the fixed outcome texts of the commands.
    virtual void notice(const std::string& line1, const std::string& line2 = {}) = 0;
    // A notice that the command did what was asked ("Download Complete!"): the GUI shows it
    // unlike a failure; elsewhere it is a notice.
    virtual void success(const std::string& line1, const std::string& line2 = {}) {
        notice(line1, line2);
    }
    // A failure the fixed texts do not cover (an unreadable device, a database error): the
    // GUI shows it like a notice, the command-line tool writes it to stderr.
    virtual void error(const std::string& message) = 0;
    // The command waits for another one to finish (the program folder is in use); says what it
    // waits for. Nothing by default: a prompt that shows nothing lets the wait be silent.
    virtual void waiting(const std::string& /*message*/) {}
    virtual OverwriteAnswer askOverwrite(const std::string& line1, const std::string& line2) = 0;
    virtual std::optional<std::string> chooseOpenFile(const FileFilter& filter) = 0;
    // Several files at once where the dialog allows it; empty when none was chosen.
    virtual std::vector<std::string> chooseOpenFiles(const FileFilter& filter) {
        std::optional<std::string> file = chooseOpenFile(filter);
        return file ? std::vector<std::string>{std::move(*file)} : std::vector<std::string>{};
    }
    virtual std::optional<std::string> chooseSaveFile(const FileFilter& filter) = 0;

    // The busy indicator around long work; the owner window is insensitive in between.
    virtual void beginBusy() = 0;
    virtual void endBusy() = 0;
};

// Holds the busy indicator for the lifetime of a scope; stop() ends it early (before the final
// message of a command).
class BusyScope {
  public:
    explicit BusyScope(UserPrompt& prompt) : prompt_(prompt) { prompt_.beginBusy(); }
    ~BusyScope() { stop(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    void stop() {
        if (running_) {
            running_ = false;
            prompt_.endBusy();
        }
    }

  private:
    UserPrompt& prompt_;
    bool running_ = true;
};

}  // namespace vandrel
