#include <string>

#include <windows.h>

#include "control/instance.h"
#include "timespec/error.h"

namespace velk::control {

namespace {

std::string systemmessage(DWORD code) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n && text ? std::string(text, n) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\r' || out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

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

sendresult exchange(const std::string& channel, const request& req, int timeoutms, reply* out) {
    const std::int64_t deadline = steadyms() + timeoutms;
    const std::string pipename = "\\\\.\\pipe\\" + channel;
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (;;) {
        pipe = CreateFileA(pipename.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) break;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return sendresult::noserver;
        // Every instance of the pipe is serving someone: wait for one to come free.
        if (error != ERROR_PIPE_BUSY) return sendresult::failed;
        if (msleft(deadline) == 0) return sendresult::timeout;
        WaitNamedPipeA(pipename.c_str(), static_cast<DWORD>(msleft(deadline)));
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
    if (!out) return sendresult::ok;
    framereader reader;
    char buf[65536];
    for (;;) {
        DWORD n = 0;
        if (!transfer(pipe, false, buf, sizeof buf, n, deadline, timedout) || n == 0)
            return timedout ? sendresult::timeout : sendresult::failed;
        switch (reader.add(std::string_view(buf, n))) {
        case framereader::state::more:
            continue;
        case framereader::state::refused:
            return sendresult::failed;
        case framereader::state::done:
            if (auto r = decodereply(reader.payload())) {
                *out = std::move(*r);
                return sendresult::ok;
            }
            return sendresult::failed;
        }
    }
}

} // namespace

std::string privatedir() {
    // The user's own temporary folder: the system gives it to this user alone.
    char buf[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof buf, buf);
    if (n == 0 || n > MAX_PATH)
        throw velkerror{"Could not find the temporary folder: " + systemmessage(GetLastError())};
    std::string dir(buf, n);
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
    dir += "VELK";
    if (!CreateDirectoryA(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw velkerror{"Could not make the folder '" + dir +
                        "': " + systemmessage(GetLastError())};
    return dir + "\\";
}

std::string channelname(const std::string& datapath) {
    // A pipe name; the window's server restricts it to this user.
    return keyfor(datapath);
}

bool instancelock::trylock() {
    if (held()) return true;
    HANDLE h = CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE,
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
    return exchange(channel, req, timeoutms, &out);
}

sendresult postrequest(const std::string& channel, const request& req, int timeoutms) {
    return exchange(channel, req, timeoutms, nullptr);
}

} // namespace velk::control
