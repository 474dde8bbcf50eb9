#include <iostream>

#include "app/cli.h"
#if VELK_WITH_UI
#include "app/startgui.h"
#endif

int main(int argc, char** argv) {
    // The command-line companion decides first, so --next and --list work without a display.
    std::vector<std::string> args(argv + 1, argv + argc);
    if (auto status = velk::runcli(args, std::cout, std::cerr)) return *status;
#if VELK_WITH_UI
    return velk::startgui(argc, argv);
#else
    std::cout << velk::helptext();
    return 0;
#endif
}
