#include <fcntl.h>
#include <glob.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "alarms/datapath.h"
#include "execution/wake.h"

extern char** environ;

namespace velk {

namespace {

// A timer on CLOCK_REALTIME_ALARM wakes the machine from suspend; creating one needs
// CAP_WAKE_ALARM. Its expiry is never read: the wall-clock timer of the tick runs the alarm.
class kerneltimer : public waketimer {
  public:
    explicit kerneltimer(int fd) : fd_(fd) {}
    ~kerneltimer() override { close(fd_); }
    std::string arm(long long ms) override {
        itimerspec spec{};
        spec.it_value.tv_sec = static_cast<time_t>(ms / 1000);
        spec.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
        if (timerfd_settime(fd_, TFD_TIMER_ABSTIME, &spec, nullptr) == 0) return "";
        return std::strerror(errno);
    }
    void disarm() override {
        itimerspec none{};
        timerfd_settime(fd_, TFD_TIMER_ABSTIME, &none, nullptr);
    }

  private:
    int fd_;
};

int alarmtimerfd() {
    return timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC);
}

std::string helperpath() {
    // Beside the program in a build, in its libexec folder when installed.
    const std::string beside = exedir() + "velk-wake";
    if (access(beside.c_str(), X_OK) == 0) return beside;
    return exedir() + VELK_WAKE_RELPATH;
}

// Starts the helper with in as its standard input; its pid, or -1.
pid_t spawnhelper(const std::string& path, int in) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The helper holds the timer for a process without the capability: it takes each moment as a
// line of milliseconds ("0" disarms) and ends when its input closes. A socket rather than a
// pipe, so that a helper that died makes a send fail instead of raising SIGPIPE.
class helpertimer : public waketimer {
  public:
    explicit helpertimer(std::string path) : path_(std::move(path)) {}
    ~helpertimer() override { stop(); }
    std::string arm(long long ms) override { return send(std::to_string(ms)); }
    void disarm() override { send("0"); }

  private:
    std::string send(const std::string& moment) {
        const std::string line = moment + "\n";
        // One new start when the helper ended meanwhile.
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (fd_ < 0 && !start()) return "velk-wake could not be started: " + reason_;
            if (::send(fd_, line.data(), line.size(), MSG_NOSIGNAL) ==
                static_cast<ssize_t>(line.size()))
                return "";
            reason_ = std::strerror(errno);
            stop();
        }
        return "velk-wake ended: " + reason_;
    }
    bool start() {
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
            reason_ = std::strerror(errno);
            return false;
        }
        pid_ = spawnhelper(path_, pair[1]);
        close(pair[1]);
        if (pid_ < 0) {
            reason_ = "cannot run " + path_;
            close(pair[0]);
            return false;
        }
        fd_ = pair[0];
        return true;
    }
    void stop() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        // The closed input ends it at once.
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    std::string path_, reason_;
    int fd_ = -1;
    pid_t pid_ = -1;
};

// Whether the helper can create the timer: with its input empty it ends at once, 0 when it
// could.
bool helperworks(const std::string& path) {
    const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    const pid_t pid = spawnhelper(path, in);
    close(in);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool rtcwakes() {
    glob_t found{};
    const bool any = glob("/sys/class/rtc/*/wakealarm", 0, nullptr, &found) == 0;
    globfree(&found);
    return any;
}

} // namespace

wakeway findwakeway() {
    wakeway way;
    if (!rtcwakes())
        way.warning = "this machine has no clock that can wake it (no /sys/class/rtc/*/wakealarm): "
                      "the timer is armed, but it may not wake from sleep";
    if (const int fd = alarmtimerfd(); fd >= 0) {
        close(fd);
        way.how = wakeway::kernel;
        return way;
    }
    const std::string why = std::strerror(errno);
    const std::string helper = helperpath();
    if (access(helper.c_str(), X_OK) != 0) {
        way.detail = "VELK may not set a wake timer (" + why + ") and there is no helper " + helper;
        return way;
    }
    if (!helperworks(helper)) {
        way.detail = "VELK may not set a wake timer (" + why + ") and " + helper +
                     " lacks the capability cap_wake_alarm";
        return way;
    }
    way.how = wakeway::helper;
    way.detail = helper;
    return way;
}

std::unique_ptr<waketimer> openwaketimer(const wakeway& way) {
    if (way.how == wakeway::helper) return std::make_unique<helpertimer>(way.detail);
    if (way.how != wakeway::kernel) return nullptr;
    const int fd = alarmtimerfd();
    if (fd < 0) return nullptr;
    return std::make_unique<kerneltimer>(fd);
}

} // namespace velk
