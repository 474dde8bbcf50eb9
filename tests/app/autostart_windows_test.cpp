#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include <windows.h>

#include "alarms/datapath.h"
#include "alarms/winstr.h"
#include "app/autostart.h"
#include "tests/alarms/tempdir.h"
#include "tests/app/runcli.h"

// The autostart value in the registry and the program itself, for real.
namespace velk {
namespace {

const wchar_t* const runkey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string where =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\VELK";

// The VELK value under the Run key, or nullopt when there is none.
std::optional<std::wstring> runvalue() {
    wchar_t buf[4096] = {};
    DWORD size = sizeof buf, type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, runkey, L"VELK", RRF_RT_ANY, &type, buf, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    return std::wstring(buf);
}

// Keeps the user's own value, if any, and puts it back afterwards.
class runvaluescope {
  public:
    runvaluescope() : before_(runvalue()) {}
    ~runvaluescope() {
        bool existed = false;
        autostart::turnoff(existed);
        if (!before_) return;
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, runkey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return;
        RegSetValueExW(key, L"VELK", 0, REG_SZ, reinterpret_cast<const BYTE*>(before_->c_str()),
                       static_cast<DWORD>((before_->size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    runvaluescope(const runvaluescope&) = delete;
    runvaluescope& operator=(const runvaluescope&) = delete;

  private:
    std::optional<std::wstring> before_;
};

TEST(windowsautostart, OnWritesTheRunValueAndOffRemovesIt) {
    runvaluescope keep;
    const std::string exe = exepath();
    for (int time = 0; time < 2; ++time) { // a second "on" replaces the value
        const test::cliresult on = test::runcommand({"--autostart", "on"});
        EXPECT_EQ(on.status, 0);
        EXPECT_EQ(on.out, "Autostart on: " + where + " starts " + exe + " in the tray at login.\n");
        EXPECT_EQ(on.err, "");
        EXPECT_EQ(runvalue(), L"\"" + win::widen(exe) + L"\" tray");
    }
    const test::cliresult off = test::runcommand({"--autostart", "off"});
    EXPECT_EQ(off.status, 0);
    EXPECT_EQ(off.out, "Autostart off: removed " + where + ".\n");
    EXPECT_EQ(runvalue(), std::nullopt);
    const test::cliresult again = test::runcommand({"--autostart", "off"});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, "Autostart off: there was no " + where + ".\n");
}

// The program's path, quoted, whatever letters and blanks its folders have.
TEST(windowsautostart, TheValueQuotesPathsWithBlanksAndAnyLetters) {
    runvaluescope keep;
    const std::string paths[] = {
        "C:\\Program Files\\VELK\\velk.exe",
        "D:\\Tools\\velk.exe",
        "C:\\Users\\J\xc3\xbcrgen M\xc3\xbcller\\Apps\\velk.exe",
        "C:\\\xe3\x83\x84\xe3\x83\xbc\xe3\x83\xab \xd0\x96\\velk.exe",
    };
    for (const auto& exe : paths) {
        EXPECT_EQ(autostart::turnon(exe), "");
        EXPECT_EQ(runvalue(), L"\"" + win::widen(exe) + L"\" tray") << exe;
    }
}

// Runs program with args, its output going to a file; returns the exit code and the output.
std::pair<DWORD, std::string> runprogram(const std::string& program, const std::string& args,
                                         const std::string& outfile) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(win::widen(outfile).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return {~0u, "cannot make " + outfile};
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + win::widen(program) + L"\" " + win::widen(args);
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    CloseHandle(out);
    if (!started)
        return {~0u, "cannot start " + program + ": " + win::systemmessage(GetLastError())};
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = ~0u;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return {code, test::readbytes(outfile)};
}

// The built velk.exe, copied into folders with awkward names, finds its own folder and keeps
// its alarm file there, and reads a file named in its arguments.
TEST(windowsprogram, VelkInAFolderWithBlanksAndAnyLettersUsesThatFolder) {
    const std::string names[] = {"Program Files", "J\xc3\xbcrgen M\xc3\xbcller",
                                 "\xe3\x83\x84\xe3\x83\xbc\xe3\x83\xab \xd0\x96"};
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        test::tempdir dir(name + " ");
        const std::string folder = dir.file(name);
        std::filesystem::create_directory(test::fspath(folder));
        const std::string exe = folder + "\\velk.exe";
        std::filesystem::copy_file(test::fspath(VELK_EXE), test::fspath(exe));
        const auto [code, out] = runprogram(exe, "--help", dir.file("out.txt"));
        EXPECT_EQ(code, 0u) << out;
        EXPECT_NE(out.find("Alarm file: " + folder + "\\Alarms.data"), std::string::npos) << out;

        // A file named on the command line in such a folder is found too.
        const std::string data = dir.file("data " + name);
        std::filesystem::create_directory(test::fspath(data));
        test::writebytes(data + "\\Alarms.data",
                         name + "\r\n8:00\r\n46362.5\r\n-\r\n0\r\n0\r\n\r\n");
        const auto [listed, list] =
            runprogram(exe, "--list \"" + data + "\\Alarms.data\"", dir.file("list.txt"));
        EXPECT_EQ(listed, 0u) << list;
        EXPECT_NE(list.find(name), std::string::npos) << list;
    }
}

} // namespace
} // namespace velk
