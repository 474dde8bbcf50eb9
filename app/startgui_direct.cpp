#include "app/startgui.h"
#include "ui/gui.h"

namespace velk {

int startgui(int argc, char** argv) {
    return rungui(argc, argv);
}

} // namespace velk
