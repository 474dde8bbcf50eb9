#include "app/console.h"

#include <unistd.h>

namespace velk {

void attachconsole() {}

bool isterminal(int stream) {
    return isatty(stream) == 1;
}

} // namespace velk
