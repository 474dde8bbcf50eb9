#pragma once

namespace velk {

// Starts the window's program and returns its exit status. Where the window lives in a module of
// its own, the module (and with it Qt) is loaded only now, so the command-line companion never
// pays for it.
int startgui(int argc, char** argv);

} // namespace velk
