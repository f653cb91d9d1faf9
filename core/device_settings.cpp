#include "core/device_settings.h"

#include <ctime>

namespace vandrel {

int32_t systemTimeZoneBias() {
    // timezone: seconds west of UTC of the zone's standard time, daylight saving left out.
    ::tzset();
    return static_cast<int32_t>(timezone / 60);
}

}  // namespace vandrel
