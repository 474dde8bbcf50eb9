#include "alarms/leftovers.h"

#include <windows.h>

namespace velk {

bool processalive(int64_t pid) {
    if (pid <= 0 || pid > 0xFFFFFFFFLL) return false;
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    // Denied access means it exists.
    if (!h) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
}

} // namespace velk
