#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace velk {

// velk --autostart on|off: args are the words after "--autostart". Adds or removes the user's
// entry that starts VELK with "tray" at login. 0 when done, 1 when it could not be done, 2 for
// a usage error.
int runautostart(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// One implementation per OS.
namespace autostart {

// Where the entry lives, as the messages name it.
std::string location();
// Makes the entry start exe with the word "tray"; returns the reason of a failure.
std::string turnon(const std::string& exe);
// Removes the entry; existed tells whether there was one. Returns the reason of a failure.
std::string turnoff(bool& existed);

} // namespace autostart

// exe as one word of a desktop entry's Exec line: quoted and escaped where its characters ask
// for it, with the escapes of the file's string values on top.
std::string desktopexec(const std::string& exe);

} // namespace velk
