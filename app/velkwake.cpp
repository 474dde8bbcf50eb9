// velk-wake: holds one wake timer (CLOCK_REALTIME_ALARM) for VELK where VELK's own process may
// not. It is installed with the file capability cap_wake_alarm and nothing else, so it trusts
// nothing it is given: each line on standard input must be a moment, the milliseconds since
// 1970-01-01 UTC at which to wake, at most a day ahead, or 0 to disarm. Anything else is refused
// and ends it. It ends when its input closes, and with it the timer.
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

// A day, as VELK wakes no further, and a minute's slack for the clocks of the two processes.
constexpr long long horizonms = (24LL * 60 + 1) * 60 * 1000;
// Longer than any moment's digits: such a line is refused without reading it all.
constexpr std::size_t longestline = 20;

int refuse(const std::string& line) {
    std::string shown;
    for (const char c : line)
        shown += c >= ' ' && c < 127 ? c : '?';
    std::fprintf(stderr, "velk-wake: refused: not a moment within a day: '%s'\n", shown.c_str());
    return 2;
}

long long nowms() {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// The moment of line, or -1 when it is none.
long long moment(const std::string& line) {
    if (line.empty() || line.size() > 15) return -1;
    long long ms = 0;
    for (const char c : line) {
        if (c < '0' || c > '9') return -1;
        ms = ms * 10 + (c - '0');
    }
    return ms == 0 || ms - nowms() <= horizonms ? ms : -1;
}

bool set(int fd, long long ms) {
    itimerspec spec{};
    spec.it_value.tv_sec = static_cast<time_t>(ms / 1000);
    spec.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    return timerfd_settime(fd, TFD_TIMER_ABSTIME, &spec, nullptr) == 0;
}

// One line without its end; false at the end of the input.
bool readline(std::string& line) {
    line.clear();
    char c = 0;
    for (;;) {
        const ssize_t n = read(0, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return !line.empty();
        if (c == '\n') return true;
        if (line.size() > longestline) return true;
        line += c;
    }
}

} // namespace

int main() {
    // Nothing its starter left open reaches a program with a capability.
    close_range(3, ~0U, 0);
    const int fd = timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr,
                     "velk-wake: no wake timer: %s (the file capability cap_wake_alarm is "
                     "missing)\n",
                     std::strerror(errno));
        return 1;
    }
    std::string line;
    while (readline(line)) {
        const long long ms = moment(line);
        if (ms < 0) return refuse(line);
        if (!set(fd, ms)) {
            std::fprintf(stderr, "velk-wake: %s\n", std::strerror(errno));
            return 1;
        }
    }
    return 0;
}
