#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "alarms/datapath.h"

namespace velk {

std::string exepath() {
    std::string buf(4096, '\0');
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return "";
        if (static_cast<size_t>(n) < buf.size()) {
            buf.resize(static_cast<size_t>(n));
            return buf;
        }
        buf.resize(buf.size() * 2);
    }
}

std::string exedir() {
    const std::string exe = exepath();
    const auto slash = exe.rfind('/');
    return slash == std::string::npos ? "./" : exe.substr(0, slash + 1);
}

std::string homedir() {
    if (const char* home = std::getenv("HOME"); home && home[0]) return home;
    const passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "/tmp";
}

std::string xdgfolder(const char* variable, const char* fallback) {
    const char* xdg = std::getenv(variable);
    std::string base = xdg && xdg[0] == '/' ? std::string(xdg) : homedir() + fallback;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base;
}

std::string userdatadir() {
    return xdgfolder("XDG_DATA_HOME", "/.local/share") + "/velk/";
}

bool installedfolder(const std::string& exefolder) {
    return exefolder.rfind("/usr/", 0) == 0 || exefolder == VELK_INSTALL_BINDIR "/";
}

bool folderwritable(const std::string& folder) {
    // Tried for real: permission bits say nothing about read-only mounts, ACLs or root.
    std::string probe = (folder.empty() ? std::string("./") : folder) + ".velk-probe-XXXXXX";
    const int fd = mkstemp(probe.data());
    if (fd < 0) return false;
    close(fd);
    unlink(probe.c_str());
    return true;
}

bool makeuserfolder(const std::string& folder) {
    // Each missing level is made private to the user, as data folders should be.
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace velk
