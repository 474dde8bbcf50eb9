#pragma once
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli.h"

namespace velk::test {

// One run of the command-line companion with its two streams captured.
struct cliresult {
    std::optional<int> status;
    std::string out, err;
};

inline cliresult runcommand(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const auto status = runcli(args, out, err);
    return {status, out.str(), err.str()};
}

} // namespace velk::test
