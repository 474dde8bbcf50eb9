#include <algorithm>
#include <string>

#include <windows.h>

#include "alarms/datapath.h"
#include "alarms/winstr.h"

namespace velk {

std::string exepath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return "";
        if (n < buf.size()) {
            buf.resize(n);
            return win::narrow(buf);
        }
        buf.resize(buf.size() * 2);
    }
}

std::string exedir() {
    const std::string exe = exepath();
    const auto sep = exe.find_last_of("\\/");
    return sep == std::string::npos ? ".\\" : exe.substr(0, sep + 1);
}

namespace {

// The variable's value in UTF-8; empty when it is unset.
std::string environment(const wchar_t* name) {
    std::wstring buf(MAX_PATH, L'\0');
    DWORD n = GetEnvironmentVariableW(name, buf.data(), static_cast<DWORD>(buf.size()));
    if (n >= buf.size()) {
        buf.resize(n);
        n = GetEnvironmentVariableW(name, buf.data(), static_cast<DWORD>(buf.size()));
    }
    if (n == 0 || n >= buf.size()) return "";
    buf.resize(n);
    return win::narrow(buf);
}

} // namespace

std::string homedir() {
    return environment(L"USERPROFILE");
}

std::string userdatadir() {
    std::string buf = environment(L"APPDATA");
    if (buf.empty()) return exedir();
    while (!buf.empty() && (buf.back() == '\\' || buf.back() == '/'))
        buf.pop_back();
    if (buf.empty()) return exedir();
    return buf + "\\VELK\\";
}

bool installedfolder(const std::string&) {
    return false;
}

bool folderwritable(const std::string& folder) {
    // Tried for real: attributes say nothing about folder rights or Program Files' protection.
    const std::string probe = folder + ".velk-probe-" + std::to_string(GetCurrentProcessId()) +
                              "-" + std::to_string(GetTickCount64());
    HANDLE h = CreateFileW(win::widen(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

bool makeuserfolder(const std::string& folder) {
    for (size_t at = 0; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '\\' && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        // Drive letters ("C:") and the empty start are there already.
        if (part.empty() || part.back() == ':') continue;
        if (!CreateDirectoryW(win::widen(part).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    const DWORD attr = GetFileAttributesW(win::widen(folder).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace velk
