#pragma once

namespace velk {

// The end of the session (a signal, a logout, "Exit VELK" confirmed). From then on no new
// dialog opens, a running script stops at its next line and a pass stops asking, so that the
// runs nobody answered are asked again at the next start.
// endsession is safe to call from a signal handler.
void endsession() noexcept;
bool sessionending() noexcept;
// Back to a running session (for tests, which start many windows in one process).
void resetsession() noexcept;

} // namespace velk
