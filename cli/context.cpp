#include <filesystem>
#include <iostream>

#include "cli/commands.h"
#include "core/program_path.h"
#include "flows/read_device_settings.h"
#include "store/sqlite_db.h"

namespace vandrel::cli {

bool prepare(Context& context) {
    std::string error;
    std::filesystem::path folder;
    if (context.dataDir.empty()) {
        folder = programFolder(error);
    } else if (makeProgramFolder(context.dataDir, error)) {
        folder = std::filesystem::absolute(context.dataDir);
    }
    if (folder.empty()) {
        std::cerr << error << std::endl;
        return false;
    }
    context.session = std::make_unique<Session>(DataFolder(folder));
    Session& session = *context.session;
    // An unreadable settings file is told, and the command goes on with the defaults.
    std::vector<std::string> warnings;
    if (const Outcome loaded = loadProgramSettings(session, &warnings); !loaded.complete()) {
        std::cerr << loaded.error << ". The default settings are used." << std::endl;
    }
    for (const std::string& warning : warnings) {
        std::cerr << warning << std::endl;
    }
    // The database waits up to a minute for another program's lock; without a word the tool
    // would look hung.
    session.database().setBusyNotice([&session] {
        std::cerr << "Waiting for the database " << session.database().path()
                  << ": database is locked by another program..." << std::endl;
    });
    if (!context.device.empty()) {
        session.useDevice(context.device);
    }
    return true;
}

}  // namespace vandrel::cli
