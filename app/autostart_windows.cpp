#include <string>

#include <windows.h>

#include "app/autostart.h"

namespace velk::autostart {

namespace {

const char* const runkey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const valuename = "VELK";

std::string reasonof(LONG err) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(err), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n && text ? std::string(text, n) : "error " + std::to_string(err);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.'))
        out.pop_back();
    return out;
}

} // namespace

std::string location() {
    return std::string("HKEY_CURRENT_USER\\") + runkey + "\\" + valuename;
}

std::string turnon(const std::string& exe) {
    HKEY key = nullptr;
    LONG err = RegCreateKeyExA(HKEY_CURRENT_USER, runkey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                               &key, nullptr);
    if (err != ERROR_SUCCESS) return reasonof(err);
    const std::string command = "\"" + exe + "\" tray";
    err = RegSetValueExA(key, valuename, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                         static_cast<DWORD>(command.size() + 1));
    RegCloseKey(key);
    return err == ERROR_SUCCESS ? "" : reasonof(err);
}

std::string turnoff(bool& existed) {
    existed = false;
    HKEY key = nullptr;
    LONG err = RegOpenKeyExA(HKEY_CURRENT_USER, runkey, 0, KEY_SET_VALUE, &key);
    if (err == ERROR_FILE_NOT_FOUND) return "";
    if (err != ERROR_SUCCESS) return reasonof(err);
    err = RegDeleteValueA(key, valuename);
    RegCloseKey(key);
    if (err == ERROR_FILE_NOT_FOUND) return "";
    if (err != ERROR_SUCCESS) return reasonof(err);
    existed = true;
    return "";
}

} // namespace velk::autostart
