#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace velk {

// velk --list [FILE]: args are the words after "--list". Returns the exit status.
int runlist(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace velk
