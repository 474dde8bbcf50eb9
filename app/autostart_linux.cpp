#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "alarms/datapath.h"
#include "alarms/safefile.h"
#include "app/autostart.h"

namespace velk::autostart {

namespace {

std::string folder() {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules ask.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base = xdg && xdg[0] == '/' ? std::string(xdg) : homedir() + "/.config";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/autostart/";
}

} // namespace

std::string location() {
    return folder() + "velk.desktop";
}

std::string turnon(const std::string& exe) {
    if (!makeuserfolder(folder())) return std::strerror(errno);
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=VELK\n"
                              "Comment=Alarms, started in the tray\n"
                              "Exec=" +
                              desktopexec(exe) +
                              " tray\n"
                              "Icon=velk\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n";
    return datafile::replacewhole(location(), entry);
}

std::string turnoff(bool& existed) {
    existed = false;
    if (unlink(location().c_str()) == 0) {
        existed = true;
        return "";
    }
    return errno == ENOENT ? "" : std::strerror(errno);
}

} // namespace velk::autostart
