#include "alarms/datapath.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velk {

std::string exedir() {
    std::string buf(4096, '\0');
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return "./";
        if (static_cast<size_t>(n) < buf.size()) {
            buf.resize(static_cast<size_t>(n));
            break;
        }
        buf.resize(buf.size() * 2);
    }
    const auto slash = buf.rfind('/');
    return slash == std::string::npos ? "./" : buf.substr(0, slash + 1);
}

std::string datapath() {
    return exedir() + "Alarms.data";
}

namespace datafile {

namespace {

std::string reasonof(int err) {
    return std::strerror(err);
}

std::string folderof(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes all of text, going on after partial writes and interrupted calls.
bool writeall(int fd, const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// Creates a temporary file beside path that no other writer uses.
int createtemp(const std::string& path, std::string& temp) {
    static unsigned serial = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = path + ".tmp." + std::to_string(getpid()) + "." + std::to_string(++serial);
        const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// A rename reaches the disk only once its folder is flushed too.
int syncfolder(const std::string& path) {
    const int fd = open(folderof(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int err = 0;
    // Some file systems cannot flush a folder; the rename has still happened.
    if (fsync(fd) != 0 && errno != EINVAL && errno != EROFS) err = errno;
    close(fd);
    return err;
}

} // namespace

readresult readwhole(const std::string& path, std::string& text, std::string& reason) {
    text.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return readresult::missing;
        reason = reasonof(errno);
        return readresult::failed;
    }
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        close(fd);
        reason = reasonof(EISDIR);
        return readresult::failed;
    }
    if (st.st_size > 0) text.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            reason = reasonof(errno);
            close(fd);
            text.clear();
            return readresult::failed;
        }
        text.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return readresult::ok;
}

std::string replacewhole(const std::string& pathgiven, const std::string& text) {
    // A link to the file stays a link: the file it points to is the one replaced.
    std::string path = pathgiven;
    struct stat link {};
    if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* target = realpath(path.c_str(), nullptr)) {
            path = target;
            std::free(target);
        }
    }
    std::string temp;
    const int fd = createtemp(path, temp);
    if (fd < 0) return reasonof(errno);
    // Keep the permissions the user gave the old file.
    struct stat old {};
    bool ok = stat(path.c_str(), &old) != 0 || fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && writeall(fd, text) && fsync(fd) == 0;
    int err = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        return reasonof(err);
    }
    if (const int syncerr = syncfolder(path)) return reasonof(syncerr);
    return "";
}

bool exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

std::string renamefile(const std::string& from, const std::string& to) {
    if (rename(from.c_str(), to.c_str()) != 0) return reasonof(errno);
    return "";
}

} // namespace datafile
} // namespace velk
