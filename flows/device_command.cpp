#include "flows/device_command.h"

#include "device/device_volume.h"

namespace vandrel {

bool connectOrTell(UserPrompt& prompt, const char* unconnectText, CommandReport& report) {
    DeviceVolume& volume = DeviceVolume::instance();
    if (volume.Connect()) {
        return true;
    }
    prompt.notice(unconnectText);
    if (!volume.lastError().empty()) {
        prompt.error(volume.lastError());
    }
    report.outcome = CommandOutcome::NoDevice;
    report.error = volume.lastError();
    return false;
}

CommandReport commandFailed(UserPrompt& prompt, std::string message) {
    prompt.error(message);
    CommandReport report;
    report.outcome = CommandOutcome::Failed;
    report.error = std::move(message);
    return report;
}

CommandReport commandDone(CommandOutcome outcome) {
    CommandReport report;
    report.outcome = outcome;
    return report;
}

}  // namespace vandrel
