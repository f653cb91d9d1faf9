// Start-up of the desktop program, measured in its own process: the time from the process's
// start to the main window showing its first page (the POI page laid out), to all three pages
// loaded, and the memory in use then (this process, and with WebKit's helper processes).
// Run under xvfb-run; run.sh beside this file repeats it and prints the median.

#include <gtk/gtk.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "core/program_path.h"
#include "platform/gtk/shell/gtk_shell.h"
#include "ui/element.h"

namespace {

namespace fs = std::filesystem;

// Milliseconds since this process started, from the kernel's record of its start.
double sinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22; ++i) {
        fields >> field;
    }
    const double startTicks = std::stod(field);
    std::ifstream uptimeFile("/proc/uptime");
    double uptime = 0;
    uptimeFile >> uptime;
    return (uptime - startTicks / static_cast<double>(sysconf(_SC_CLK_TCK))) * 1000.0;
}

long rssKb(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

int parentOf(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string state;
    int parent = 0;
    fields >> state >> parent;
    return parent;
}

// This process and every process below it (WebKit's web and network processes).
long treeRssKb() {
    const int self = getpid();
    long total = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        int pid = std::stoi(name);
        for (int p = pid; p > 1; p = parentOf(p)) {
            if (p == self) {
                total += rssKb(pid);
                break;
            }
        }
    }
    return total;
}

bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        if (!g_main_context_iteration(nullptr, FALSE)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    char pattern[] = "/tmp/vandrel-bench-XXXXXX";
    const fs::path folder = mkdtemp(pattern);
    {
        vandrel::Session session{vandrel::DataFolder(folder)};
        vandrel::gtk::GtkShell shell(session);
        shell.start();
        auto& frame = shell.frame();
        auto& renderer = shell.renderer();
        auto laidOut = [](vandrel::ui::HtmlWindow& w, const char* id) {
            vandrel::ui::Element* e = w.document().selectFirst(std::string("#") + id);
            return e != nullptr && !e->location().isEmpty();
        };
        const bool first = pumpUntil([&] {
            auto* host = frame.pageHost();
            return host != nullptr && renderer.isReady(frame) && renderer.isReady(*host) &&
                   renderer.isReady(*host->poiPage()) && laidOut(*host, "tab1-s") &&
                   laidOut(*host->poiPage(), "poibar");
        });
        const double firstMs = sinceProcessStart();
        const bool all = pumpUntil([&] {
            auto* host = frame.pageHost();
            return renderer.isReady(*host->trackPage()) && renderer.isReady(*host->settingsPage());
        });
        const double allMs = sinceProcessStart();
        std::printf(
            "first_page_ms %.0f all_pages_ms %.0f rss_kb %ld rss_with_web_processes_kb %ld%s\n",
            firstMs, allMs, rssKb(getpid()), treeRssKb(), first && all ? "" : " (timed out)");
    }
    fs::remove_all(folder);
    return 0;
}
