#include "alarms/leftovers.h"

#include <cerrno>
#include <signal.h>
#include <sys/types.h>

namespace velk {

bool processalive(int64_t pid) {
    if (pid <= 0 || pid != static_cast<pid_t>(pid)) return false;
    // No signal is sent; EPERM means it runs under another user.
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

} // namespace velk
