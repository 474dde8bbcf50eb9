#include "alarms/datapath.h"
#include "alarms/settings.h"

namespace velk::settings {

std::string path() {
    return xdgfolder("XDG_CONFIG_HOME", "/.config") + "/velk/settings";
}

} // namespace velk::settings
