#include <iostream>

#include "app/cli.h"
#include "app/cmdargs.h"
#include "app/console.h"
#include "app/escapes.h"
#if VELK_WITH_UI
#include "app/startgui.h"
#endif

int main(int argc, char** argv) {
    // The command-line companion decides first, so --next and --list work without a display.
    std::vector<std::string> args = velk::commandargs(argc, argv);
    // Only an option is a command; no arguments or "tray" start the window, without a console.
    if (!velk::startswindow(args)) velk::attachconsole();
    {
        // A name read from a file is shown by a terminal, not obeyed.
        velk::terminalescapes out(std::cout, velk::isterminal(1));
        velk::terminalescapes err(std::cerr, velk::isterminal(2));
        if (auto status = velk::runcli(args, std::cout, std::cerr)) return *status;
    }
#if VELK_WITH_UI
    return velk::startgui(argc, argv);
#else
    std::cout << velk::helptext();
    return 0;
#endif
}
