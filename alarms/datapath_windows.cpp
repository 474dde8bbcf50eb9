#include "alarms/datapath.h"

#include <algorithm>
#include <string>

#include <windows.h>

namespace velk {

std::string exedir() {
    std::string buf(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return ".\\";
        if (n < buf.size()) {
            buf.resize(n);
            break;
        }
        buf.resize(buf.size() * 2);
    }
    const auto sep = buf.find_last_of("\\/");
    return sep == std::string::npos ? ".\\" : buf.substr(0, sep + 1);
}

std::string datapath() {
    return exedir() + "Alarms.data";
}

namespace datafile {

namespace {

std::string reasonof(DWORD err) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, err, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n && text ? std::string(text, n) : "error " + std::to_string(err);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.'))
        out.pop_back();
    return out;
}

} // namespace

readresult readwhole(const std::string& path, std::string& text, std::string& reason) {
    text.clear();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND) return readresult::missing;
        reason = reasonof(err);
        return readresult::failed;
    }
    char buf[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(h, buf, sizeof buf, &n, nullptr)) {
            reason = reasonof(GetLastError());
            CloseHandle(h);
            text.clear();
            return readresult::failed;
        }
        if (n == 0) break;
        text.append(buf, n);
    }
    CloseHandle(h);
    return readresult::ok;
}

std::string replacewhole(const std::string& path, const std::string& text) {
    const std::string temp = path + ".tmp." + std::to_string(GetCurrentProcessId());
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return reasonof(GetLastError());
    bool ok = true;
    DWORD err = 0;
    size_t done = 0;
    while (ok && done < text.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1 << 20));
        DWORD n = 0;
        ok = WriteFile(h, text.data() + done, chunk, &n, nullptr) && n > 0;
        done += n;
    }
    ok = ok && FlushFileBuffers(h);
    if (!ok) err = GetLastError();
    if (!CloseHandle(h) && ok) {
        ok = false;
        err = GetLastError();
    }
    // One step, written through, so the old file stays whole until the new one is complete.
    if (ok && !MoveFileExA(temp.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        err = GetLastError();
    }
    if (!ok) {
        DeleteFileA(temp.c_str());
        return reasonof(err);
    }
    return "";
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string renamefile(const std::string& from, const std::string& to) {
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH))
        return reasonof(GetLastError());
    return "";
}

} // namespace datafile
} // namespace velk
