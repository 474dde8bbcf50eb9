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
    return xdgfolder("XDG_CONFIG_HOME", "/.config") + "/autostart/";
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
