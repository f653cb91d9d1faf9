#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/commands.h"
#include "core/program_path.h"
#include "device/device_volume.h"
#include "device/settings_file.h"
#include "flows/app_data.h"
#include "store/sqlite_db.h"

namespace vandrel::cli {

bool prepare(const Context& context) {
    if (!context.dataDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(context.dataDir, ec);
        if (ec) {
            std::cerr << "Cannot use the program folder " << context.dataDir << ": " << ec.message()
                      << std::endl;
            return false;
        }
        setProgramFolder(std::filesystem::absolute(context.dataDir));
    }
    // An unreadable settings file is told, and the command goes on with the defaults.
    std::string problem;
    std::vector<std::string> warnings;
    if (!loadSettingsFile(programPath("settings.xml"), AppData::instance().settings, problem,
                          &warnings) &&
        !problem.empty()) {
        std::cerr << problem << ". The default settings are used." << std::endl;
    }
    for (const std::string& warning : warnings) {
        std::cerr << warning << std::endl;
    }
    // The database waits up to a minute for another program's lock; without a word the tool
    // would look hung.
    TrackDatabase::instance().setBusyNotice([] {
        std::cerr << "Waiting for the database " << TrackDatabase::instance().path()
                  << ": database is locked by another program..." << std::endl;
    });
    if (!context.device.empty()) {
        DeviceVolume::instance().setDevicePath(context.device);
    }
    return true;
}

}  // namespace vandrel::cli
