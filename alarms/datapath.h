#pragma once
#include <functional>
#include <string>

namespace velk {

// The full name of the running executable.
std::string exepath();
// The folder of the running executable, with its trailing path separator.
std::string exedir();
// The user's home folder: $HOME, or where the system's user database puts it when HOME is unset
// or empty (on Windows %USERPROFILE%). Every per-user path starts from this one lookup.
std::string homedir();
// Linux: an XDG base folder, without a trailing '/': the variable when it holds an absolute
// path (a relative one is invalid and ignored, as the base directory rules ask), else the home
// folder with fallback ("/.config").
std::string xdgfolder(const char* variable, const char* fallback);
// The user's own data folder for VELK, with its trailing path separator: $XDG_DATA_HOME/velk/
// (default ~/.local/share/velk/) on Linux, %APPDATA%\VELK\ on Windows. Not created here.
std::string userdatadir();
// True when a file can be created (and removed again) in folder.
bool folderwritable(const std::string& folder);
// Creates folder and its parents for the user's own data; false when that fails.
bool makeuserfolder(const std::string& folder);

// True for the folder of an installed executable, where a program writes nothing even when it
// could (root can write /usr/bin): below /usr, or the folder this build installs velk to.
// Always false on Windows, where the writable folder alone decides.
bool installedfolder(const std::string& exefolder);

// Whether a process holds the alarm file at path now: a window for its whole run, a command for
// its moment.
using holdercheck = std::function<bool(const std::string& path)>;

// Where the alarm file goes. Beside the executable (a portable copy) when a file is there or a
// process holds that one, whatever its folder's mode: its problems are then told for that file,
// never passed over for another. Else in the user's data folder when a process holds that one.
// Else beside the executable when its folder is writable, not an installed one, and no other
// user owns it or can write to it; else in the user's data folder, which is created then. Both
// folders end with a path separator.
std::string choosedatapath(const std::string& exefolder, const std::string& userfolder,
                           const holdercheck& held = nullptr);

} // namespace velk
