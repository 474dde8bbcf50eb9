#include "alarms/datapath.h"

#include "alarms/safefile.h"

namespace velk {

namespace {

// Whether the alarm file goes beside the executable.
bool besideexe(const std::string& exefolder, const std::string& beside, const std::string& own,
               const holdercheck& held) {
    if (installedfolder(exefolder)) return false;
    // A folder whose mode changed while a window runs must not split the alarms in two.
    if (datafile::exists(beside) || (held && held(beside))) return true;
    if (held && held(own)) return false;
    // Not in a folder other users may write (or own): alarms start programs.
    return folderwritable(exefolder) && datafile::folderproblem(beside).empty();
}

} // namespace

std::string choosedatapath(const std::string& exefolder, const std::string& userfolder,
                           const holdercheck& held) {
    const std::string beside = exefolder + "Alarms.data", own = userfolder + "Alarms.data";
    if (besideexe(exefolder, beside, own, held)) return beside;
    // A folder that cannot be made shows up in the first save's message, which names the path.
    makeuserfolder(userfolder);
    return own;
}

} // namespace velk
