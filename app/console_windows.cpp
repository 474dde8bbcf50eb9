#include "app/console.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <iostream>

#include <windows.h>

namespace velk {

namespace {

// A handle the program was given already leads somewhere: a file or pipe it was redirected to,
// NUL, or a console. Only a GUI program started without any gets nothing here.
bool given(DWORD which) {
    const HANDLE h = GetStdHandle(which);
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

UINT savedcp = 0;

void restorecp() {
    if (savedcp) SetConsoleOutputCP(savedcp);
}

void reopen(FILE* stream, DWORD which) {
    FILE* f = nullptr;
    if (freopen_s(&f, "CONOUT$", "w", stream) != 0) return;
    SetStdHandle(which, CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
}

// "\n" stays "\n", so redirected output is byte for byte what the other systems print.
void binarymode() {
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

} // namespace

void attachconsole() {
    const bool out = given(STD_OUTPUT_HANDLE), err = given(STD_ERROR_HANDLE);
    // Started from a console (cmd.exe, PowerShell, a .bat file) without redirection: write
    // into it. Started by the shell (a double click, a shortcut) there is none to attach to.
    if ((!out || !err) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (!out) reopen(stdout, STD_OUTPUT_HANDLE);
        if (!err) reopen(stderr, STD_ERROR_HANDLE);
        std::cout.clear();
        std::cerr.clear();
    }
    // Our text is UTF-8 (alarm names, paths): a console shows it so while we write, and goes
    // back to its own code page when we end.
    savedcp = GetConsoleOutputCP();
    if (savedcp != 0 && savedcp != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) std::atexit(restorecp);
    binarymode();
}

bool isterminal(int stream) {
    // NUL is a character device too, but no console.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(stream == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE),
                          &mode) != 0;
}

} // namespace velk
