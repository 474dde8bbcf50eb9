#pragma once
#include <functional>

class QObject;

namespace velk {

// Runs f on the GUI thread when the system asks the program to end (SIGTERM at logout or
// shutdown, SIGHUP, SIGINT), so the alarms are saved instead of lost. f lives as long as
// context. The session counts as ending (sessionending()) from the moment the signal arrives.
// One implementation per operating system.
void onterminate(QObject* context, std::function<void()> f);

} // namespace velk
