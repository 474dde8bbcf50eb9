#pragma once
#include <string>

namespace velk {

// The user's settings of VELK: a small text file of "name=value" lines in the user's config
// folder, apart from the alarm file. Lines this version does not know are kept as they are.
namespace settings {

// $XDG_CONFIG_HOME/velk/settings (default ~/.config/velk/settings) on Linux,
// %APPDATA%\VELK\settings.ini on Windows. Per OS.
std::string path();

// Whether the computer is woken for alarms; off when the file or the line is missing or the
// file cannot be read, so that a laptop in a bag never wakes by surprise.
bool wake(const std::string& file = path());
// Saves the switch in one step (the folder made when missing); the reason of a failure.
std::string setwake(bool on, const std::string& file = path());

// The value of name in text, "" when it is not there.
std::string value(const std::string& text, const std::string& name);
// text with name set to v: its line replaced in place, or added at the end.
std::string withvalue(const std::string& text, const std::string& name, const std::string& v);

} // namespace settings
} // namespace velk
