// "settings.xml" as any file may hold it: whatever is read must be written and read back to
// the same settings (Refbar to two decimals).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "device/settings_file.h"

using namespace vandrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DeviceSettings settings;
    settings.TimeZone = 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!loadSettingsText(text, settings)) {
        return 0;
    }
    if (!std::isfinite(settings.Refbar)) {
        __builtin_trap();  // a value the logger's settings block cannot take
    }
    DeviceSettings again;
    if (!loadSettingsText(settingsXmlText(settings), again)) {
        __builtin_trap();
    }
    const float refbar = again.Refbar;
    again.Refbar = settings.Refbar;
    if (!(again == settings) ||
        std::fabs(refbar - settings.Refbar) > 0.0051f * (1 + std::fabs(refbar))) {
        __builtin_trap();
    }
    return 0;
}
