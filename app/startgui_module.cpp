#include <dlfcn.h>
#include <iostream>
#include <string>

#include "alarms/datapath.h"
#include "app/startgui.h"

namespace velk {

namespace {

using entry = int (*)(int, char**);

// Where the module may be: beside the executable (a build folder) or where `cmake --install`
// puts it, relative to the installed executable.
const char* const places[] = {"velkgui.so", VELK_GUI_MODULE_RELPATH};

} // namespace

int startgui(int argc, char** argv) {
    const std::string dir = exedir();
    std::string tried;
    for (const char* place : places) {
        const std::string path = dir + place;
        // Kept loaded for the life of the process: Qt keeps state that outlives the window.
        if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            if (auto run = reinterpret_cast<entry>(dlsym(module, "velk_rungui")))
                return run(argc, argv);
        }
        const char* why = dlerror();
        tried += "\n  " + (why ? std::string(why) : path + ": no entry point velk_rungui");
    }
    std::cerr << "velk: cannot start the window: its module could not be loaded." << tried
              << "\nReinstall VELK (cmake --install puts the module in place); the command-line "
                 "options work without it (velk --help).\n";
    return 1;
}

} // namespace velk
