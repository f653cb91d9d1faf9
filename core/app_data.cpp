#include "core/app_data.h"

namespace vandrel {

AppData& AppData::instance() {
    static AppData data;
    return data;
}

}  // namespace vandrel
