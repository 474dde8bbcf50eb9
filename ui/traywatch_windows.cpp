#include "ui/traywatch.h"

namespace velk {

struct traywatch::impl {};

// The tray is part of the task bar and stays while the desktop runs; when Explorer restarts it
// announces a new task bar, and Qt puts the icon back by itself.
traywatch::traywatch(QObject* parent) : QObject(parent), watching_(true) {}

traywatch::~traywatch() = default;

} // namespace velk
