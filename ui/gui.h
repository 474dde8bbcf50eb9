#pragma once

namespace velk {

// The window's program: one instance per alarm file, the desktop effects, the main window and
// its message loop. Returns the exit status (0).
int rungui(int argc, char** argv);

} // namespace velk
