#include <cstdlib>

#include "alarms/datapath.h"
#include "alarms/settings.h"

namespace velk::settings {

std::string path() {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules ask.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base = xdg && xdg[0] == '/' ? std::string(xdg) : homedir() + "/.config";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/velk/settings";
}

} // namespace velk::settings
