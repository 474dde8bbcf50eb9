#include "ui/termsignal.h"

namespace velk {

// Windows ends a GUI program through its windows (session end closes them), which the main
// window already handles; there is no signal to catch.
void onterminate(QObject*, std::function<void()>) {}

} // namespace velk
