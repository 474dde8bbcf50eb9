#include "app/cmdargs.h"

namespace velk {

std::vector<std::string> commandargs(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

} // namespace velk
