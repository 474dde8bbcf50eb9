#include "app/autostart.h"

#include "alarms/datapath.h"
#include "app/cli.h"

namespace velk {

std::string desktopexec(const std::string& exe) {
    // Characters that make the launcher read a word differently unless it is quoted.
    static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string word;
    bool quote = false;
    for (const char c : exe) {
        if (reserved.find(c) != std::string::npos) quote = true;
        if (c == '"' || c == '`' || c == '$' || c == '\\') word += '\\';
        // A lone % would start a field code.
        if (c == '%') word += '%';
        word += c;
    }
    if (quote) word = '"' + word + '"';
    // The value itself is a string of the file, where a backslash escapes too.
    std::string value;
    for (const char c : word) {
        if (c == '\\') value += '\\';
        if (c == '\n') {
            value += "\\n";
            continue;
        }
        value += c;
    }
    return value;
}

int runautostart(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) {
        err << "velk: --autostart needs on or off\n" << helptext();
        return 2;
    }
    const std::string where = autostart::location();
    if (args[0] == "on") {
        const std::string exe = exepath();
        if (const std::string reason = autostart::turnon(exe); !reason.empty()) {
            err << "velk: could not turn autostart on (" << where << "): " << reason << "\n";
            return 1;
        }
        out << "Autostart on: " << where << " starts " << exe << " in the tray at login.\n";
        return 0;
    }
    bool existed = false;
    if (const std::string reason = autostart::turnoff(existed); !reason.empty()) {
        err << "velk: could not turn autostart off (" << where << "): " << reason << "\n";
        return 1;
    }
    if (existed)
        out << "Autostart off: removed " << where << ".\n";
    else
        out << "Autostart off: there was no " << where << ".\n";
    return 0;
}

} // namespace velk
