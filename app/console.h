#pragma once

namespace velk {

// Gives a command-line run its console. A Windows GUI program starts without one: its output
// goes to the console of the program that started it (cmd.exe, PowerShell), or to the files
// and pipes it was redirected to. Elsewhere the standard streams are already right.
void attachconsole();

} // namespace velk
