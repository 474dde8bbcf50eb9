#include <string>

#include <windows.h>

#include "alarms/winstr.h"
#include "app/autostart.h"

namespace velk::autostart {

namespace {

const wchar_t* const runkey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const valuename = L"VELK";

std::string reasonof(LONG err) {
    return win::systemmessage(static_cast<unsigned long>(err));
}

} // namespace

std::string location() {
    return "HKEY_CURRENT_USER\\" + win::narrow(runkey) + "\\" + win::narrow(valuename);
}

std::string turnon(const std::string& exe) {
    HKEY key = nullptr;
    LONG err = RegCreateKeyExW(HKEY_CURRENT_USER, runkey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                               &key, nullptr);
    if (err != ERROR_SUCCESS) return reasonof(err);
    // Quoted, so that a folder with blanks is not read as the program and its arguments.
    const std::wstring command = L"\"" + win::widen(exe) + L"\" tray";
    err = RegSetValueExW(key, valuename, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                         static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return err == ERROR_SUCCESS ? "" : reasonof(err);
}

std::string turnoff(bool& existed) {
    existed = false;
    HKEY key = nullptr;
    LONG err = RegOpenKeyExW(HKEY_CURRENT_USER, runkey, 0, KEY_SET_VALUE, &key);
    if (err == ERROR_FILE_NOT_FOUND) return "";
    if (err != ERROR_SUCCESS) return reasonof(err);
    err = RegDeleteValueW(key, valuename);
    RegCloseKey(key);
    if (err == ERROR_FILE_NOT_FOUND) return "";
    if (err != ERROR_SUCCESS) return reasonof(err);
    existed = true;
    return "";
}

} // namespace velk::autostart
