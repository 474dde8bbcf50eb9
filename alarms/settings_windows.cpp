#include "alarms/datapath.h"
#include "alarms/settings.h"

namespace velk::settings {

std::string path() {
    return userdatadir() + "settings.ini";
}

} // namespace velk::settings
