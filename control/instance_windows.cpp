#include <string>

#include <windows.h>

#include "alarms/winstr.h"
#include "control/instance.h"
#include "timespec/error.h"

namespace velk::control {

namespace {

using win::systemmessage;

int msleft(std::int64_t deadline) {
    const std::int64_t left = deadline - steadyms();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Closes a handle when the scope ends.
struct handleguard {
    HANDLE h;
    ~handleguard() {
        if (h != INVALID_HANDLE_VALUE && h != nullptr) CloseHandle(h);
    }
};

// One overlapped read or write that ends by the deadline; a late one is cancelled.
bool transfer(HANDLE pipe, bool writing, char* data, DWORD size, DWORD& done, std::int64_t deadline,
              bool& timedout) {
    OVERLAPPED ov{};
    handleguard event{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    if (!event.h) return false;
    ov.hEvent = event.h;
    const BOOL ok = writing ? WriteFile(pipe, data, size, nullptr, &ov)
                            : ReadFile(pipe, data, size, nullptr, &ov);
    if (!ok && GetLastError() != ERROR_IO_PENDING) return false;
    if (WaitForSingleObject(event.h, static_cast<DWORD>(msleft(deadline))) != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, &ov, &done, TRUE);
        timedout = true;
        return false;
    }
    return GetOverlappedResult(pipe, &ov, &done, FALSE) != 0;
}

sendresult exchange(const std::string& channel, const request& req, int timeoutms, reply& out) {
    const std::int64_t deadline = steadyms() + timeoutms;
    const std::wstring pipename = win::widen("\\\\.\\pipe\\" + channel);
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (;;) {
        pipe = CreateFileW(pipename.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) break;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return sendresult::noserver;
        // Every instance of the pipe is serving someone: wait for one to come free.
        if (error != ERROR_PIPE_BUSY) return sendresult::failed;
        if (msleft(deadline) == 0) return sendresult::timeout;
        WaitNamedPipeW(pipename.c_str(), static_cast<DWORD>(msleft(deadline)));
    }
    handleguard guard{pipe};
    std::string frame = encode(req);
    if (frame.empty()) return sendresult::failed;
    bool timedout = false;
    for (std::size_t sent = 0; sent < frame.size();) {
        DWORD n = 0;
        if (!transfer(pipe, true, frame.data() + sent, static_cast<DWORD>(frame.size() - sent), n,
                      deadline, timedout) ||
            n == 0)
            return timedout ? sendresult::timeout : sendresult::failed;
        sent += n;
    }
    framereader reader;
    char buf[65536];
    for (;;) {
        DWORD n = 0;
        if (!transfer(pipe, false, buf, sizeof buf, n, deadline, timedout) || n == 0)
            return timedout ? sendresult::timeout : sendresult::failed;
        if (auto ended = takereply(reader, std::string_view(buf, n), out)) return *ended;
    }
}

} // namespace

std::string privatedir() {
    // The user's own temporary folder: the system gives it to this user alone. Wide, so that a
    // user name beyond the ANSI code page still gives a usable folder.
    wchar_t buf[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    if (n == 0 || n > MAX_PATH)
        throw velkerror{"Could not find the temporary folder: " + systemmessage(GetLastError())};
    std::string dir = win::narrow(std::wstring(buf, n));
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
    dir += "VELK";
    if (!CreateDirectoryW(win::widen(dir).c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS)
        throw velkerror{"Could not make the folder '" + dir +
                        "': " + systemmessage(GetLastError())};
    return dir + "\\";
}

std::string keytext(const std::string& datapath) {
    // Windows names are case-blind and take either slash: "c:\\a\\..\\Alarms.data" and
    // "C:/ALARMS.DATA" are one file, and must give one lock, or two writers would share it. The
    // same for an existing file and one not made yet, so links are not followed.
    const std::wstring given = win::widen(datapath);
    std::wstring full(MAX_PATH, L'\0');
    DWORD n =
        GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n >= full.size()) {
        full.resize(n);
        n = GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    full.resize(n > 0 && n < full.size() ? n : 0);
    if (full.empty()) full = given;
    std::wstring upper(full.size() * 2 + 1, L'\0');
    const int m = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, full.c_str(),
                                static_cast<int>(full.size()), upper.data(),
                                static_cast<int>(upper.size()), nullptr, nullptr, 0);
    upper.resize(m > 0 ? static_cast<size_t>(m) : 0);
    return win::narrow(upper.empty() ? full : upper);
}

std::string channelname(const std::string& datapath) {
    // A pipe name; the window's server restricts it to this user.
    return keyfor(datapath);
}

bool instancelock::trylock() {
    if (held()) return true;
    HANDLE h = CreateFileW(win::widen(path_).c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED ov{};
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &ov)) {
        CloseHandle(h);
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    return true;
}

void instancelock::release() {
    if (!held()) return;
    // Closing the handle drops the lock.
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = invalid;
}

sendresult sendrequest(const std::string& channel, const request& req, int timeoutms, reply& out) {
    return exchange(channel, req, timeoutms, out);
}

} // namespace velk::control
