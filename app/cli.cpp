#include "app/cli.h"

namespace velk {

std::string helptext() {
    return "Usage: velk [tray]\n"
           "       velk --help | --version\n";
}

std::optional<int> runcli(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& err) {
    if (args.empty()) return std::nullopt;
    if (args[0] == "--help") {
        out << helptext();
        return 0;
    }
    if (args[0] == "--version") {
        out << "velk 0.1.0\n";
        return 0;
    }
    if (args[0].rfind("--", 0) == 0) {
        err << helptext();
        return 2;
    }
    return std::nullopt;
}

} // namespace velk
