// Long command flows on a worker thread, their questions on the UI thread.
#include <future>
#include <thread>

#include "platform/gtk/shell/gtk_parts.h"

namespace vandrel::gtk {

namespace {

// Runs the call on the UI thread (the default main context) and waits for it.
void onUiThread(const std::function<void()>& call) {
    if (g_main_context_is_owner(g_main_context_default())) {
        call();
        return;
    }
    struct Job {
        const std::function<void()>* call;
        std::promise<void> done;
    } job{&call, {}};
    std::future<void> finished = job.done.get_future();
    // An idle source rather than g_main_context_invoke: that runs the call on this very thread
    // whenever it can acquire the default context, as it can between two iterations of the UI
    // thread's loop, and a box would then be built off the UI thread.
    GSource* source = g_idle_source_new();
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_callback(
        source,
        [](gpointer data) -> gboolean {
            auto* j = static_cast<Job*>(data);
            (*j->call)();
            j->done.set_value();
            return G_SOURCE_REMOVE;
        },
        &job, nullptr);
    g_source_attach(source, g_main_context_default());
    g_source_unref(source);
    finished.wait();
}

// The flow's prompt on the worker: every call goes over to the UI thread's prompt.
class WorkerPrompt final : public UserPrompt {
  public:
    explicit WorkerPrompt(UserPrompt& ui) : ui_(ui) {}
    bool askYesNo(const std::string& a, const std::string& b) override {
        bool r = false;
        onUiThread([&] { r = ui_.askYesNo(a, b); });
        return r;
    }
    void notice(const std::string& a, const std::string& b) override {
        onUiThread([&] { ui_.notice(a, b); });
    }
    void error(const std::string& m) override {
        onUiThread([&] { ui_.error(m); });
    }
    OverwriteAnswer askOverwrite(const std::string& a, const std::string& b) override {
        OverwriteAnswer r = OverwriteAnswer::Ok;
        onUiThread([&] { r = ui_.askOverwrite(a, b); });
        return r;
    }
    std::optional<std::string> chooseOpenFile(const FileFilter& f) override {
        std::optional<std::string> r;
        onUiThread([&] { r = ui_.chooseOpenFile(f); });
        return r;
    }
    std::vector<std::string> chooseOpenFiles(const FileFilter& f) override {
        std::vector<std::string> r;
        onUiThread([&] { r = ui_.chooseOpenFiles(f); });
        return r;
    }
    void success(const std::string& a, const std::string& b) override {
        onUiThread([&] { ui_.success(a, b); });
    }
    std::optional<std::string> chooseSaveFile(const FileFilter& f) override {
        std::optional<std::string> r;
        onUiThread([&] { r = ui_.chooseSaveFile(f); });
        return r;
    }
    void beginBusy() override {
        onUiThread([&] { ui_.beginBusy(); });
    }
    void endBusy() override {
        onUiThread([&] { ui_.endBusy(); });
    }
    void waiting(const std::string& m) override {
        onUiThread([&] { ui_.waiting(m); });
    }

  private:
    UserPrompt& ui_;
};

}  // namespace

void GtkCommandRunner::run(const std::function<void(UserPrompt&)>& command) {
    // A second command while one runs is dropped. The window is insensitive meanwhile, so only
    // the program itself can ask (a notice, a posted step), and it cannot wait its turn: this
    // call runs inside an iteration of the first command's loop, which cannot end before this
    // call returns, and the command's captures live on its caller's stack only until then.
    if (running_) {
        return;
    }
    running_ = true;
    std::atomic<bool> finished{false};
    WorkerPrompt prompt(prompt_);
    std::thread worker([&] {
        ui::runTellingFailure(command, prompt);
        finished = true;
        g_main_context_wakeup(g_main_context_default());
    });
    while (!finished) {
        g_main_context_iteration(nullptr, TRUE);
    }
    worker.join();
    running_ = false;
}

void GtkCommandRunner::onUi(const std::function<void()>& step) {
    onUiThread(step);
}

}  // namespace vandrel::gtk
