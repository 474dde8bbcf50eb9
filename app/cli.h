#pragma once
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "timespec/datetime.h"

namespace velk {

// The command-line companion. Returns the exit status when args asked for a command
// (--next, --list, --help, --version, or a bad option), nothing when the window should start.
std::optional<int> runcli(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& err);

// True when args start the window: no words, or words without an option (such as "tray")
// except those of the window's toolkit. Anything else is a command or a usage error.
bool startswindow(const std::vector<std::string>& args);

std::string helptext();

// velk --next SPEC [--from MOMENT] [--ref MOMENT] [--count N]: args are the words after
// "--next". 0 on success, 1 when SPEC does not parse, 2 for a usage error.
int runnext(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// velk --explain SPEC [--from MOMENT]: the reading of SPEC, then its next five moments as
// --next lists them. 0 on success, 1 when SPEC does not parse, 2 for a usage error.
int runexplain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// velk --add/--enable/--disable/--remove/--agenda for the alarm file at path: args start with
// the command word. 0 on success, 1 when it failed (nothing changed), 2 for a usage error.
int runcontrol(const std::vector<std::string>& args, const std::string& path, std::ostream& out,
               std::ostream& err);

// "YYYY-MM-DD HH:MM[:SS]" as a date-time value; false when the text is not a real moment.
bool readmoment(const std::string& text, datetime& out);

} // namespace velk
