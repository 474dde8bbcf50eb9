#pragma once
#include <string>

namespace velk {

// The program's own failures travel as the user-facing message itself.
struct velkerror {
    std::string text;
};

} // namespace velk
