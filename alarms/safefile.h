#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velk {

// How the alarm file (and every other file of ours) is read, and saved so that a crash or power
// cut leaves the old or the new content, never a mix. The steps are per OS.
// Reasons are the system's own error texts; an empty reason means success.
namespace datafile {

enum class readresult { ok, missing, failed };
// Reads the whole file into text. Anything but a regular file (a FIFO, a device) fails at once.
readresult readwhole(const std::string& path, std::string& text, std::string& reason);

// Why a file of ours must not be used, "" when it may: its folder, or the file, belongs to
// another user than this one and root or can be written by others, or it is no regular file.
// A link counts only when the link and its target are the user's own. Windows ACLs are not
// looked at: there this is always "".
std::string fileproblem(const std::string& path);
// The same for the folder that holds path alone, where files of ours are made.
std::string folderproblem(const std::string& path);

// Who may write as a group: the members it lists and the users whose primary group it is, by
// name. found is false for a group the system does not know. Linux only.
struct groupusers {
    bool found = false;
    std::string name;
    std::vector<std::string> members, primary;
};
using grouplookup = std::function<groupusers(std::uint32_t gid)>;
// The system's group and user databases.
groupusers systemgroupusers(std::uint32_t gid);
// The lookup the checks above use; tests put a fake in place, an empty one puts the system's
// back.
void setgrouplookup(grouplookup lookup);

// The steps of a save, one call each, so that tests can make any one of them fail the way a
// full disk, a failing drive or a file held open by another program would.
class fileops {
  public:
    using handle = std::intptr_t;
    virtual ~fileops() = default;

    // The file a save of path must replace: the target of a link, else path itself.
    virtual std::string target(const std::string& path) = 0;
    // Creates a new temporary file beside path that no other writer uses, with the permissions
    // of path when it exists; temp receives its name.
    virtual std::string createtemp(const std::string& path, std::string& temp, handle& h) = 0;
    // Writes at most size bytes; written tells how many went out (fewer is no failure).
    virtual std::string write(handle h, const char* data, std::size_t size,
                              std::size_t& written) = 0;
    // Pushes everything written to the disk.
    virtual std::string flush(handle h) = 0;
    // The size of the open file as the system sees it.
    virtual std::string size(handle h, std::uint64_t& bytes) = 0;
    virtual std::string close(handle h) = 0;
    // Renames from over to in one step. busy is set when the failure came from another program
    // holding to open (worth trying again shortly).
    virtual std::string replace(const std::string& from, const std::string& to, bool& busy) = 0;
    // Makes a replace in the folder of path reach the disk.
    virtual std::string syncfolder(const std::string& path) = 0;
    virtual void remove(const std::string& path) = 0;
    // Waits before the next try of a busy replace.
    virtual void pause(int ms) = 0;
};

// The operating system's operations.
fileops& systemfileops();
// The operations saves use now; tests put a failing double in place. nullptr puts the system's
// back.
fileops& thefileops();
void setfileops(fileops* ops);

// Tries of a replace that another program holds up, and the pause between them: all within
// half a second.
inline constexpr int replacetries = 5;
inline constexpr int replacepausems = 100;

// Replaces path by text in one step: a temporary file in the same folder is written in full
// (every write checked, the size checked against text), flushed to the disk and renamed over
// path, and the folder is flushed too. Whatever fails before the rename, path keeps its old
// content and the temporary is removed. Returns the reason of a failure.
std::string replacewhole(const std::string& path, const std::string& text);
std::string replacewhole(const std::string& path, const std::string& text, fileops& ops);

bool exists(const std::string& path);
// Renames from to to; returns the reason of a failure.
std::string renamefile(const std::string& from, const std::string& to);

} // namespace datafile
} // namespace velk
