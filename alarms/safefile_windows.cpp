#include <algorithm>
#include <string>

#include <windows.h>

#include "alarms/safefile.h"
#include "alarms/winstr.h"

namespace velk {

namespace datafile {

namespace {

std::string reasonof(DWORD err) {
    return win::systemmessage(err);
}

HANDLE handleof(fileops::handle h) {
    return reinterpret_cast<HANDLE>(h);
}

class win32ops : public fileops {
  public:
    std::string target(const std::string& path) override { return path; }

    std::string createtemp(const std::string& path, std::string& temp, handle& h) override {
        static unsigned serial = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            temp = path + ".tmp." + std::to_string(GetCurrentProcessId()) + "." +
                   std::to_string(++serial);
            HANDLE f = CreateFileW(win::widen(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            if (f != INVALID_HANDLE_VALUE) {
                h = reinterpret_cast<handle>(f);
                return "";
            }
            if (GetLastError() != ERROR_FILE_EXISTS) return reasonof(GetLastError());
        }
        return reasonof(ERROR_FILE_EXISTS);
    }

    std::string write(handle h, const char* data, size_t size, size_t& written) override {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1 << 20));
        DWORD n = 0;
        written = 0;
        if (!WriteFile(handleof(h), data, chunk, &n, nullptr)) return reasonof(GetLastError());
        written = n;
        return "";
    }

    std::string flush(handle h) override {
        return FlushFileBuffers(handleof(h)) ? "" : reasonof(GetLastError());
    }

    std::string size(handle h, std::uint64_t& bytes) override {
        LARGE_INTEGER n{};
        if (!GetFileSizeEx(handleof(h), &n)) return reasonof(GetLastError());
        bytes = static_cast<std::uint64_t>(n.QuadPart);
        return "";
    }

    std::string close(handle h) override {
        return CloseHandle(handleof(h)) ? "" : reasonof(GetLastError());
    }

    std::string replace(const std::string& from, const std::string& to, bool& busy) override {
        // One step, written through, so the old file stays whole until the new one is
        // complete.
        if (MoveFileExW(win::widen(from).c_str(), win::widen(to).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            busy = false;
            return "";
        }
        const DWORD err = GetLastError();
        // Virus scanners, indexers and backup tools open files for a moment.
        busy = err == ERROR_SHARING_VIOLATION || err == ERROR_ACCESS_DENIED ||
               err == ERROR_LOCK_VIOLATION;
        return reasonof(err);
    }

    // MOVEFILE_WRITE_THROUGH already waits for the rename to reach the disk.
    std::string syncfolder(const std::string&) override { return ""; }

    void remove(const std::string& path) override { DeleteFileW(win::widen(path).c_str()); }

    void pause(int ms) override { Sleep(static_cast<DWORD>(ms)); }
};

} // namespace

fileops& systemfileops() {
    static win32ops ops;
    return ops;
}

// Owners and ACLs are not checked on Windows.
std::string fileproblem(const std::string&) {
    return "";
}

std::string folderproblem(const std::string&) {
    return "";
}

readresult readwhole(const std::string& path, std::string& text, std::string& reason) {
    text.clear();
    // Shared for delete too: a reader must not hold up the replace of a save.
    HANDLE h = CreateFileW(win::widen(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        // A missing folder on the way is a missing file too, as on the other systems.
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return readresult::missing;
        reason = reasonof(err);
        return readresult::failed;
    }
    // A pipe or a device in the file's place is refused, not read.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        reason = "it is not a regular file";
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

bool exists(const std::string& path) {
    return GetFileAttributesW(win::widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string renamefile(const std::string& from, const std::string& to) {
    if (!MoveFileExW(win::widen(from).c_str(), win::widen(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return reasonof(GetLastError());
    return "";
}

} // namespace datafile
} // namespace velk
