#include "flows/device_command.h"

#include "device/device_volume.h"

namespace vandrel {

bool connectOrTell(UserPrompt& prompt, DeviceVolume& volume, const char* unconnectText,
                   Outcome& report) {
    if (volume.Connect()) {
        return true;
    }
    prompt.notice(unconnectText);
    if (!volume.lastError().empty()) {
        prompt.error(volume.lastError());
    }
    report.kind = OutcomeKind::NoDevice;
    report.error = volume.lastError();
    return false;
}

Outcome commandFailed(UserPrompt& prompt, std::string message) {
    prompt.error(message);
    Outcome report;
    report.kind = OutcomeKind::Failed;
    report.error = std::move(message);
    return report;
}

Outcome commandDone(OutcomeKind outcome) {
    Outcome report;
    report.kind = outcome;
    return report;
}

}  // namespace vandrel
