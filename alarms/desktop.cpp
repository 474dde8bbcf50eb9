#include "alarms/desktop.h"

namespace velk {

namespace {
// Used until a real desktop is installed.
quietdesktop nullone;
desktop* current = &nullone;
} // namespace

desktop& thedesktop() {
    return *current;
}
void setdesktop(desktop* d) {
    current = d ? d : &nullone;
}

} // namespace velk
