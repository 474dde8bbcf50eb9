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

// A name beside path that no other writer uses: leftovers of a killed process are known by it.
std::string tempname(const std::string& path) {
    static unsigned serial = 0;
    return path + ".tmp." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++serial);
}

// Virus scanners, indexers and backup tools open files for a moment.
bool heldopen(DWORD err) {
    return err == ERROR_SHARING_VIOLATION || err == ERROR_ACCESS_DENIED ||
           err == ERROR_LOCK_VIOLATION;
}

// Puts from in to's place, leaving what stood there under backup's name (kept = true).
// ERROR_SUCCESS or the error.
DWORD swapin(const std::wstring& from, const std::wstring& to, const std::wstring& backup,
             bool& kept) {
    kept = false;
    // A folder in the file's place is not moved away, as a rename would not.
    const DWORD attributes = GetFileAttributesW(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return ERROR_ACCESS_DENIED;
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (ReplaceFileW(to.c_str(), from.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS,
                         nullptr, nullptr)) {
            kept = true;
            return ERROR_SUCCESS;
        }
        DWORD err = GetLastError();
        // The old file went to backup, but the new one is not in place yet.
        if (err == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) kept = true;
        if (err != ERROR_FILE_NOT_FOUND && err != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) return err;
        // Made anew, but never over a file that appeared since.
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return ERROR_SUCCESS;
        err = GetLastError();
        if (err != ERROR_ALREADY_EXISTS && err != ERROR_FILE_EXISTS) return err;
        if (kept) return err;
    }
    return ERROR_ALREADY_EXISTS;
}

class win32ops : public fileops {
  public:
    std::string target(const std::string& path) override { return path; }

    std::string createtemp(const std::string& path, std::string& temp, handle& h) override {
        for (int attempt = 0; attempt < 100; ++attempt) {
            temp = tempname(path);
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

    std::string replace(const std::string& from, const std::string& to, bool& busy,
                        std::string* displaced) override {
        busy = false;
        if (displaced) {
            const std::string backup = tempname(to);
            bool kept = false;
            const DWORD err = swapin(win::widen(from), win::widen(to), win::widen(backup), kept);
            if (kept) *displaced = backup;
            if (err == ERROR_SUCCESS) return "";
            busy = heldopen(err);
            // A file system that cannot do it: replaced the plain way, unseen.
            if (kept || (err != ERROR_INVALID_FUNCTION && err != ERROR_NOT_SUPPORTED &&
                         err != ERROR_INVALID_PARAMETER))
                return reasonof(err);
        }
        // One step, written through, so the old file stays whole until the new one is
        // complete.
        if (MoveFileExW(win::widen(from).c_str(), win::widen(to).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return "";
        const DWORD err = GetLastError();
        busy = heldopen(err);
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
