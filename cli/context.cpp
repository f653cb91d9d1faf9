#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/commands.h"
#include "core/program_path.h"
#include "device/device_volume.h"
#include "device/settings_file.h"
#include "flows/app_data.h"

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
    loadSettingsFile(programPath("settings.xml"), AppData::instance().settings);
    if (!context.device.empty()) {
        DeviceVolume::instance().setDevicePath(context.device);
    }
    return true;
}

}  // namespace vandrel::cli
