#pragma once

namespace velk {

// Gives a command-line run its console. A Windows GUI program starts without one: its output
// goes to the console of the program that started it (cmd.exe, PowerShell), or to the files
// and pipes it was redirected to. Elsewhere the standard streams are already right.
void attachconsole();

// Whether standard output (stream 1) or standard error (stream 2) is a terminal (a console).
bool isterminal(int stream);

} // namespace velk
