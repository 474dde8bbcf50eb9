#include "ui/gui.h"

// The only symbol the window's module exports: `velk` looks it up after loading the module.
extern "C" __attribute__((visibility("default"))) int velk_rungui(int argc, char** argv) {
    return velk::rungui(argc, argv);
}
