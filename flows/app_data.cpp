#include "flows/app_data.h"

#include "core/units.h"

namespace vandrel {

AppData& AppData::instance() {
    static AppData data;
    // The unit formatters show every number in the program's own settings.
    static const bool named = (setCurrentSettings(&data.settings), true);
    (void)named;
    return data;
}

}  // namespace vandrel
