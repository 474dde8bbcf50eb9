#pragma once
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velk {

// The command-line companion. Returns the exit status when args asked for a command
// (--next, --list, --help, --version, or a bad option), nothing when the window should start.
std::optional<int> runcli(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& err);

std::string helptext();

} // namespace velk
