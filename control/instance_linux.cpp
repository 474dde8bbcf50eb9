#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "alarms/datapath.h"
#include "control/instance.h"
#include "timespec/error.h"

namespace velk::control {

namespace {

bool isfolder(const char* path) {
    struct stat st {};
    return path && *path && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// Closes a descriptor when the scope ends.
struct fdguard {
    int fd;
    ~fdguard() {
        if (fd >= 0) close(fd);
    }
};

int msleft(std::int64_t deadline) {
    const std::int64_t left = deadline - steadyms();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until fd is ready for events; false at the deadline.
bool waitfor(int fd, short events, std::int64_t deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = poll(&p, 1, msleft(deadline));
        if (n > 0) return true;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

} // namespace

namespace {

// A link, another user's folder or one others may enter would let them pose as the window.
bool privatefolder(const std::string& dir) {
    struct stat st {};
    return lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
           (st.st_mode & 077) == 0;
}

std::string makeprivate(const std::string& dir) {
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        throw velkerror{"Could not make the folder '" + dir + "': " + std::strerror(errno)};
    if (!privatefolder(dir))
        throw velkerror{"The folder '" + dir +
                        "' is not private to this user; VELK does not use it."};
    return dir + "/";
}

// $XDG_CACHE_HOME (a relative one is ignored), else ~/.cache.
std::string usercachedir() {
    return xdgfolder("XDG_CACHE_HOME", "/.cache");
}

} // namespace

std::string privatedir() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (isfolder(runtime)) return makeprivate(std::string(runtime) + "/velk");
    const char* tmp = std::getenv("TMPDIR");
    const std::string shared =
        std::string(isfolder(tmp) ? tmp : "/tmp") + "/velk-" + std::to_string(getuid());
    mkdir(shared.c_str(), 0700);
    if (privatefolder(shared)) return shared + "/";
    // Anyone may take that name first in a shared folder; the user's own cache serves then.
    const std::string own = usercachedir() + "/velk/run";
    makeuserfolder(usercachedir() + "/velk/");
    return makeprivate(own);
}

std::string keytext(const std::string& datapath) {
    // Links resolved: the same file reached by two paths is still one file with one writer.
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(datapath, ec);
    if (ec) p = std::filesystem::absolute(datapath, ec);
    if (ec) p = datapath;
    return p.lexically_normal().string();
}

std::string channelname(const std::string& datapath) {
    return privatedir() + keyfor(datapath) + ".sock";
}

bool instancelock::trylock() {
    if (held()) return true;
    const int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    // flock, not fcntl: two opens in one process exclude each other too.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

void instancelock::release() {
    if (!held()) return;
    // Closing the descriptor drops the lock; the file stays, so no one locks a removed name.
    close(static_cast<int>(handle_));
    handle_ = invalid;
}

namespace {

sendresult exchange(const std::string& channel, const request& req, int timeoutms, reply& out) {
    const std::int64_t deadline = steadyms() + timeoutms;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (channel.size() >= sizeof addr.sun_path) return sendresult::failed;
    std::memcpy(addr.sun_path, channel.c_str(), channel.size() + 1);

    fdguard s{socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
    if (s.fd < 0) return sendresult::failed;
    for (;;) {
        if (connect(s.fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) break;
        if (errno == ENOENT || errno == ECONNREFUSED) return sendresult::noserver;
        if (errno == EINTR) continue;
        if (errno == EINPROGRESS) {
            if (!waitfor(s.fd, POLLOUT, deadline)) return sendresult::timeout;
            int error = 0;
            socklen_t len = sizeof error;
            getsockopt(s.fd, SOL_SOCKET, SO_ERROR, &error, &len);
            if (error == ECONNREFUSED) return sendresult::noserver;
            if (error != 0) return sendresult::failed;
            break;
        }
        // A full backlog: the window is there but busy.
        if (errno != EAGAIN) return sendresult::failed;
        if (msleft(deadline) == 0) return sendresult::timeout;
        usleep(10000);
    }

    const std::string frame = encode(req);
    if (frame.empty()) return sendresult::failed;
    for (std::size_t sent = 0; sent < frame.size();) {
        if (!waitfor(s.fd, POLLOUT, deadline)) return sendresult::timeout;
        const ssize_t n = send(s.fd, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return sendresult::failed;
        sent += static_cast<std::size_t>(n);
    }

    framereader reader;
    char buf[65536];
    for (;;) {
        if (!waitfor(s.fd, POLLIN, deadline)) return sendresult::timeout;
        const ssize_t n = recv(s.fd, buf, sizeof buf, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return sendresult::failed;
        const std::string_view piece(buf, static_cast<std::size_t>(n));
        if (auto ended = takereply(reader, piece, out)) return *ended;
    }
}

} // namespace

sendresult sendrequest(const std::string& channel, const request& req, int timeoutms, reply& out) {
    return exchange(channel, req, timeoutms, out);
}

} // namespace velk::control
