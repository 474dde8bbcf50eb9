#pragma once
#include <string>
#include <vector>

namespace velk {

// The words after the program's name, in UTF-8 like every other text of the program. On
// Windows argv is in the ANSI code page, which cannot hold every file name, so the wide
// command line is read instead.
std::vector<std::string> commandargs(int argc, char** argv);

} // namespace velk
