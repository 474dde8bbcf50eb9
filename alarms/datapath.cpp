#include "alarms/datapath.h"

#include "alarms/safefile.h"

namespace velk {

std::string choosedatapath(const std::string& exefolder, const std::string& userfolder) {
    // Not beside an installed program, nor in a folder other users may write (or own): alarms
    // start programs.
    if (!installedfolder(exefolder) && folderwritable(exefolder) &&
        datafile::folderproblem(exefolder + "Alarms.data").empty())
        return exefolder + "Alarms.data";
    // A folder that cannot be made shows up in the first save's message, which names the path.
    makeuserfolder(userfolder);
    return userfolder + "Alarms.data";
}

std::string choosedatapath() {
    return choosedatapath(exedir(), userdatadir());
}

std::string datapath() {
    static const std::string chosen = choosedatapath();
    return chosen;
}

} // namespace velk
