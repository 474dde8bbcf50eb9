#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace velk {

// The process id in the name of a save's temporary file for the alarm file path
// ("<path>.tmp.<pid>.<n>"), or -1 when name is no such file.
int64_t leftoverpid(std::string_view path, std::string_view name);

// Removes the temporary files of saves into path that a killed process left behind: those
// whose process no longer runs. Call only while holding the alarm file's lock. Returns how many
// were removed; failures to remove are left for the next start.
int removeleftovers(const std::string& path);
int removeleftovers(const std::string& path, const std::function<bool(int64_t pid)>& alive);

// Whether a process with this id runs now (per OS; in doubt, true).
bool processalive(int64_t pid);

} // namespace velk
