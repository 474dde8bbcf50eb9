#include <windows.h>

#include <shellapi.h>

#include "alarms/winstr.h"
#include "app/cmdargs.h"

namespace velk {

std::vector<std::string> commandargs(int argc, char** argv) {
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!wide) return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> args;
    for (int i = 1; i < n; ++i)
        args.push_back(win::narrow(wide[i]));
    LocalFree(wide);
    return args;
}

} // namespace velk
