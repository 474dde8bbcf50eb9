#include <iostream>

#include "app/cli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (auto status = velk::runcli(args, std::cout, std::cerr)) return *status;
    std::cout << velk::helptext();
    return 0;
}
