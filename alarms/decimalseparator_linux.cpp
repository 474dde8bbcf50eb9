#include <langinfo.h>
#include <locale.h>

#include "alarms/alarmfile.h"

namespace velk {

char localedecimalseparator() {
    // The locale the user's settings name (LC_ALL, LC_NUMERIC, LANG), whatever setlocale did.
    const locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (!user) return '.';
    const char* point = nl_langinfo_l(RADIXCHAR, user);
    const char sep = point && point[0] && !point[1] ? point[0] : '.';
    freelocale(user);
    return sep;
}

} // namespace velk
