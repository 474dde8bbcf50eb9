#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "alarms/desktop.h"
#include "alarms/event.h"

namespace velk {

// True while a "#msg" or "#ask" dialog of a script is on the screen. The tick lets other alarms
// run inside such a dialog, and a tray click does not pop the window up over it. A nested
// dialog restores the value it found, so an outer dialog keeps its flag.
extern bool indialog;

// Runs the alarm's whole script, titled with its name ("<ALARM>" when empty). A script error is
// shown in a message box and gives false; the alarm's times are not touched. Once the session
// ends the script stops before its next line, quietly, and gives false.
bool runaction(event& alarm, desktop& d = thedesktop());

// Runs script lines from index and returns the index where it stopped: the "#end" (or, when
// elseallowed, "#else") line that closed the block, or the line count when the script ran out.
// With execute false the lines are only walked through. Throws velkerror with the message.
std::size_t runlines(const std::vector<std::string>& script, const std::string& title,
                     std::size_t index, bool elseallowed, bool execute, desktop& d = thedesktop());

// The first fault of a script, found without running anything: line counts from 1, and an empty
// text means none was found. Shell lines are not tried.
struct scriptfault {
    std::size_t line = 0;
    std::string text;
};

// Walks the whole script as a run would, every block as if taken, and reads the arguments of
// "#wait" and "#beep"; nothing is shown, sounded, waited for or opened. A top-level "#end"
// that would end the script before further lines is reported too.
scriptfault checkscript(const std::vector<std::string>& script);

// The file, parameters and directory of one attempt to open a shell line.
struct shellcall {
    std::string file;
    std::string params;
    std::string dir;
};

// The first attempt for a shell line (already trimmed): a mail address, a quoted program path
// with parameters, or the first word with the rest as parameters.
shellcall splitshellline(std::string_view line);
// Everything up to and including the last '\\', ':' or '/'; empty when there is none.
std::string extractfilepath(std::string_view file);

// Attempts at opening one shell line before it is given up as "Error while executing";
// a path with more blanks than this does not exist in practice.
inline constexpr int maxopenattempts = 64;
// The longest "#wait" pause and "#beep" tone, in milliseconds.
inline constexpr int32_t maxblockms = 30000;

} // namespace velk
