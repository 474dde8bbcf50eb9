#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace velk {

// velk --wake on|off, and velk --wake alone for the status; args are the words after "--wake".
// 0 when done, 1 when it could not be done (no way to wake this computer), 2 for a usage error.
int runwake(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace velk
