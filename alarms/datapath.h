#pragma once
#include <string>

namespace velk {

// The folder of the running executable, with its trailing path separator.
std::string exedir();
// exedir() + "Alarms.data": where the program keeps its alarms.
std::string datapath();

// The few file operations the alarm file needs, one implementation per OS.
// Reasons are the system's own error texts; an empty reason means success.
namespace datafile {

enum class readresult { ok, missing, failed };
// Reads the whole file into text.
readresult readwhole(const std::string& path, std::string& text, std::string& reason);

// Replaces path by text in one step: a temporary file in the same folder is written in full,
// flushed to the disk and renamed over path. Whatever fails, path keeps its old content and
// the temporary is removed. Returns the reason of a failure.
std::string replacewhole(const std::string& path, const std::string& text);

bool exists(const std::string& path);
// Renames from to to; returns the reason of a failure.
std::string renamefile(const std::string& from, const std::string& to);

} // namespace datafile
} // namespace velk
