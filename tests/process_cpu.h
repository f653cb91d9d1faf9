#pragma once
// The CPU time a process and the processes it started have used so far, read from
// /proc/PID/stat (utime + stime, fields 14 and 15): this process on its own, its WebKit web
// processes (started directly or through bubblewrap), and the rest of its descendants (the
// network process, the sandbox's helpers). Processes that ended are not counted.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace vandrel::testing {

struct ProcessCpu {
    double program = 0;  // seconds
    double web = 0;
    double other = 0;

    double total() const { return program + web + other; }
    ProcessCpu operator-(const ProcessCpu& earlier) const {
        return {program - earlier.program, web - earlier.web, other - earlier.other};
    }
};

namespace detail {

struct ProcStat {
    int ppid = 0;
    std::string name;
    long long ticks = 0;
};

// PID (NAME) STATE PPID ... with utime and stime the 12th and 13th fields after the name.
inline bool readProcStat(const std::filesystem::path& file, ProcStat& out) {
    std::ifstream in(file);
    std::string line;
    if (!std::getline(in, line)) {
        return false;
    }
    const std::size_t open = line.find('(');
    const std::size_t close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return false;
    }
    out.name = line.substr(open + 1, close - open - 1);
    std::istringstream rest(line.substr(close + 1));
    std::vector<std::string> fields;
    for (std::string f; rest >> f && fields.size() < 13;) {
        fields.push_back(f);
    }
    if (fields.size() < 13) {
        return false;
    }
    out.ppid = std::stoi(fields[1]);
    out.ticks = std::stoll(fields[11]) + std::stoll(fields[12]);
    return true;
}

}  // namespace detail

inline ProcessCpu processCpu() {
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    std::map<int, detail::ProcStat> all;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        detail::ProcStat stat;
        if (detail::readProcStat(entry.path() / "stat", stat)) {
            all[std::stoi(name)] = stat;
        }
    }
    ProcessCpu cpu;
    const int self = static_cast<int>(getpid());
    if (auto it = all.find(self); it != all.end()) {
        cpu.program = static_cast<double>(it->second.ticks) / tick;
    }
    for (const auto& [pid, stat] : all) {
        // A descendant: some ancestor is this process.
        int up = stat.ppid;
        for (int depth = 0; up > 1 && up != self && depth < 64; ++depth) {
            auto parent = all.find(up);
            up = parent != all.end() ? parent->second.ppid : 0;
        }
        if (pid == self || up != self) {
            continue;
        }
        // The kernel keeps the first 15 characters of the name: "WebKitWebProces".
        const double seconds = static_cast<double>(stat.ticks) / tick;
        (stat.name.rfind("WebKitWebProces", 0) == 0 ? cpu.web : cpu.other) += seconds;
    }
    return cpu;
}

}  // namespace vandrel::testing
