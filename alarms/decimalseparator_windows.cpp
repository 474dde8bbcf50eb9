#include <windows.h>

#include "alarms/alarmfile.h"

namespace velk {

char localedecimalseparator() {
    // The separator of the user's regional settings; the C runtime's locale stays "C".
    wchar_t point[4] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, point, 4) != 2) return '.';
    return point[0] > 32 && point[0] < 128 ? static_cast<char>(point[0]) : '.';
}

} // namespace velk
