#pragma once
// The subcommands of vandrel-cli. Each returns the process exit code: 0 success, 1 failure,
// 2 no logger, 3 no log records.

#include <string>

namespace vandrel::cli {

enum ExitCode { kExitOk = 0, kExitFailure = 1, kExitNoDevice = 2, kExitNoLogRecords = 3 };

struct Context {
    std::string dataDir;  // the program folder; empty: the default rule
    std::string device;   // --device; empty: search the mounted volumes
};

// Points the program folder, the settings and the logger search at what the options name.
// Returns false (with the reason on stderr) when the program folder cannot be made.
bool prepare(const Context& context);

int runDownload(const Context& context);
int runTracks(const Context& context, const std::string& day);

}  // namespace vandrel::cli
