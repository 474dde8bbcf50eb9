#include "control/channelserver.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace velk::control {

namespace {

int reserve() {
    return open("/dev/null", O_RDONLY | O_CLOEXEC);
}

int acceptone(int fd) {
    return accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
}

bool outofhandles(int error) {
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

// Connections refused in one take(): a steady flood must not keep the window from its other work.
constexpr int refusalsatonce = 256;

} // namespace

bool channelserver::listen(const std::string& path) {
    close();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    // A socket left by a crashed window would keep bind() from working.
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) unlink(path.c_str());
    const bool bound = bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    // The folder is private already; the socket is so too, wherever it is moved or linked.
    if (!bound || chmod(path.c_str(), 0600) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        if (bound) unlink(path.c_str());
        ::close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    spare_ = reserve();
    return true;
}

int channelserver::take() {
    starved_ = false;
    if (fd_ < 0) return -1;
    if (spare_ < 0) spare_ = reserve();
    for (int refused = 0; refused < refusalsatonce;) {
        const int fd = acceptone(fd_);
        if (fd >= 0) {
            if (serving_ < maxconnections) {
                ++serving_;
                return fd;
            }
            ::close(fd);
            ++refused;
            continue;
        }
        const int error = errno;
        if (error == EINTR || error == ECONNABORTED) continue;
        if (!outofhandles(error)) return -1;
        // No handle left to take the connection with: the one in reserve makes room to refuse
        // it, so the waiting connection ends at once instead of calling again and again.
        if (spare_ < 0) {
            starved_ = true;
            return -1;
        }
        ::close(spare_);
        const int extra = acceptone(fd_);
        const int extraerror = errno;
        if (extra >= 0) ::close(extra);
        spare_ = reserve();
        if (extra < 0) {
            starved_ = extraerror != EAGAIN && extraerror != EWOULDBLOCK;
            return -1;
        }
        ++refused;
    }
    return -1;
}

void channelserver::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        unlink(path_.c_str());
    }
    if (spare_ >= 0) ::close(spare_);
    fd_ = spare_ = -1;
    serving_ = 0;
}

} // namespace velk::control
