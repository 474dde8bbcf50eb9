#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "alarms/safefile.h"

namespace velk {

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

int fdof(fileops::handle h) {
    return static_cast<int>(h);
}

// An owner other than this user and root.
bool foreignowner(uid_t owner) {
    return owner != geteuid() && owner != 0;
}

grouplookup& thegrouplookup() {
    static grouplookup lookup;
    return lookup;
}

// This user's name and primary group; false when the user database does not know the user.
bool whoami(std::string& name, gid_t& gid) {
    std::vector<char> buf(16384);
    passwd pw{}, *found = nullptr;
    while (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found) == ERANGE)
        buf.resize(buf.size() * 2);
    if (!found) return false;
    name = pw.pw_name;
    gid = pw.pw_gid;
    return true;
}

// A group may hold other users, unless it is the user's private group: named after the user,
// the user's own primary group, and nobody else's, listing no other member.
bool foreigngroup(gid_t gid) {
    std::string me;
    gid_t mine = 0;
    if (!whoami(me, mine) || mine != gid) return true;
    const grouplookup& lookup = thegrouplookup();
    const groupusers g = lookup ? lookup(gid) : systemgroupusers(gid);
    if (!g.found || g.name != me) return true;
    const auto other = [&me](const std::string& user) { return user != me; };
    return std::any_of(g.members.begin(), g.members.end(), other) ||
           std::any_of(g.primary.begin(), g.primary.end(), other);
}

bool otherscanwrite(const struct stat& st) {
    return (st.st_mode & S_IWOTH) != 0 || ((st.st_mode & S_IWGRP) != 0 && foreigngroup(st.st_gid));
}

// A link we follow: the link and the file it points to are both the user's own.
bool ownlink(const std::string& path) {
    struct stat link {
    }, file{};
    return lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && link.st_uid == geteuid() &&
           stat(path.c_str(), &file) == 0 && file.st_uid == geteuid();
}

class posixops : public fileops {
  public:
    std::string target(const std::string& path) override {
        // A link to the file stays a link: the file it points to is the one replaced. Only the
        // user's own link to the user's own file: a save never writes to another file's place.
        if (ownlink(path)) {
            if (char* real = realpath(path.c_str(), nullptr)) {
                std::string out = real;
                std::free(real);
                return out;
            }
        }
        return path;
    }

    std::string createtemp(const std::string& path, std::string& temp, handle& h) override {
        // Others could swap the file or read the temporary in such a folder.
        if (std::string why = folderproblem(path); !why.empty()) return why;
        static unsigned serial = 0;
        // Private from the first byte: alarms hold private matters, and others may watch the
        // folder. The mask may narrow it; the old file's mode is then given back below.
        struct stat old {};
        const bool hasold = stat(path.c_str(), &old) == 0;
        const mode_t mode = hasold ? (old.st_mode & 07777) : 0600;
        int fd = -1;
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            temp = path + ".tmp." + std::to_string(getpid()) + "." + std::to_string(++serial);
            fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (fd < 0 && errno != EEXIST) return reasonof(errno);
        }
        if (fd < 0) return reasonof(EEXIST);
        // Keep the permissions the user gave the old file.
        if (hasold && fchmod(fd, mode) != 0) {
            const int err = errno;
            close(fd);
            unlink(temp.c_str());
            return reasonof(err);
        }
        h = fd;
        return "";
    }

    std::string write(handle h, const char* data, size_t size, size_t& written) override {
        written = 0;
        for (;;) {
            const ssize_t n = ::write(fdof(h), data, size);
            if (n >= 0) {
                written = static_cast<size_t>(n);
                return "";
            }
            if (errno != EINTR) return reasonof(errno);
        }
    }

    std::string flush(handle h) override { return fsync(fdof(h)) == 0 ? "" : reasonof(errno); }

    std::string size(handle h, std::uint64_t& bytes) override {
        struct stat st {};
        if (fstat(fdof(h), &st) != 0) return reasonof(errno);
        bytes = static_cast<std::uint64_t>(st.st_size);
        return "";
    }

    std::string close(handle h) override {
        // The descriptor is gone even when close reports an error; it is never closed twice.
        return ::close(fdof(h)) == 0 ? "" : reasonof(errno);
    }

    std::string replace(const std::string& from, const std::string& to, bool& busy) override {
        // Nothing on Linux keeps a rename from happening for a while.
        busy = false;
        return rename(from.c_str(), to.c_str()) == 0 ? "" : reasonof(errno);
    }

    std::string syncfolder(const std::string& path) override {
        const int fd = open(folderof(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return reasonof(errno);
        int err = 0;
        // Some file systems cannot flush a folder; the rename has still happened.
        if (fsync(fd) != 0 && errno != EINVAL && errno != EROFS) err = errno;
        ::close(fd);
        return err ? reasonof(err) : "";
    }

    void remove(const std::string& path) override { unlink(path.c_str()); }

    void pause(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

} // namespace

fileops& systemfileops() {
    static posixops ops;
    return ops;
}

namespace {

std::string typeproblem(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return reasonof(EISDIR);
    return S_ISREG(st.st_mode) ? "" : "it is not a regular file";
}

} // namespace

groupusers systemgroupusers(std::uint32_t gid) {
    groupusers out;
    std::vector<char> buf(16384);
    group gr{}, *found = nullptr;
    while (getgrgid_r(gid, &gr, buf.data(), buf.size(), &found) == ERANGE)
        buf.resize(buf.size() * 2);
    if (!found) return out;
    out.found = true;
    out.name = gr.gr_name;
    for (char** member = gr.gr_mem; *member; ++member)
        out.members.emplace_back(*member);
    // Every user whose primary group this is writes as the group without being listed in it.
    passwd pw{}, *next = nullptr;
    setpwent();
    for (;;) {
        const int err = getpwent_r(&pw, buf.data(), buf.size(), &next);
        if (err == ERANGE) {
            buf.resize(buf.size() * 2);
            continue;
        }
        // A database that cannot be read to its end may hide such a user: not private then.
        if (err != 0 && err != ENOENT) out.found = false;
        if (err != 0 || !next) break;
        if (pw.pw_gid == gid) out.primary.emplace_back(pw.pw_name);
    }
    endpwent();
    return out;
}

void setgrouplookup(grouplookup lookup) {
    thegrouplookup() = std::move(lookup);
}

std::string folderproblem(const std::string& path) {
    const std::string folder = folderof(path);
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) return "";
    if (foreignowner(st.st_uid)) return "the folder '" + folder + "' belongs to another user";
    if (otherscanwrite(st)) return "other users can write to the folder '" + folder + "'";
    return "";
}

std::string fileproblem(const std::string& path) {
    if (std::string why = folderproblem(path); !why.empty()) return why;
    std::string real = path;
    struct stat st {};
    // A missing file (or a link to nothing) is made anew in the folder checked above.
    if (lstat(path.c_str(), &st) != 0) return "";
    const bool link = S_ISLNK(st.st_mode);
    if (link && stat(path.c_str(), &st) != 0) return "";
    if (std::string why = typeproblem(st); !why.empty()) return why;
    if (link) {
        if (!ownlink(path)) return "the link or the file it points to belongs to another user";
        if (char* resolved = realpath(path.c_str(), nullptr)) {
            real = resolved;
            std::free(resolved);
        }
    }
    if (foreignowner(st.st_uid)) return "the file belongs to another user";
    if (otherscanwrite(st)) return "other users can write to the file";
    return folderproblem(real);
}

readresult readwhole(const std::string& path, std::string& text, std::string& reason) {
    text.clear();
    // Without blocking: a FIFO or a device in the file's place must not hang the program.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return readresult::missing;
        reason = reasonof(errno);
        return readresult::failed;
    }
    struct stat st {};
    reason = fstat(fd, &st) == 0 ? typeproblem(st) : reasonof(errno);
    if (!reason.empty()) {
        close(fd);
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
