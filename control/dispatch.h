#pragma once
#include <string>
#include <vector>

#include "control/commands.h"
#include "control/message.h"

namespace velk::control {

// How long a command waits for the running window (or for the lock a starting window holds)
// before it gives up, and how old a request the window still carries out: younger than the
// wait, so a request the command gave up on is never carried out later.
inline constexpr int answerms = 5000;
inline constexpr int stalems = 4000;

// Runs a command for the alarm file at datapath. When a window runs for that file it gets the
// request and answers; when none runs the command loads the file, applies itself and saves, all
// under the instance lock. args are the command's words (e.g. {"--add", "Tea", "17:00"}).
reply runcommand(const std::vector<std::string>& args, const std::string& datapath,
                 int timeoutms = answerms);

// What a window that cannot apply commands answers, and the text of a wait that ran out.
std::string noanswer();
// The one-line message of a damaged alarm file: the loader's detail after the read failure.
std::string damagedmessage(const std::string& path, const std::string& detail);

// The one-line message of the file when it does not load, "" when it does (or is missing).
std::string loadproblem(const std::string& datapath);

// Applies a command to the file without a window; the caller holds the instance lock.
reply applytofile(const command& c, const std::string& datapath);

} // namespace velk::control
