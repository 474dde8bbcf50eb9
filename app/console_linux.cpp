#include "app/console.h"

namespace velk {

void attachconsole() {}

} // namespace velk
