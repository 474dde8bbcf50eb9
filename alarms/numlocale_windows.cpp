#include <windows.h>

#include "alarms/alarmfile.h"

namespace velk {

// The C runtime's locale stays "C" on Windows unless the program sets it, and even then it
// misses what the user changed in the regional settings; those are asked for here.
char localedecimalseparator() {
    wchar_t sep[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, sep, 8) != 2) return '.';
    // Separators of more than one character, or beyond ASCII, cannot stand for the file's ".".
    if (sep[0] <= L' ' || sep[0] > L'~' || (sep[0] >= L'0' && sep[0] <= L'9')) return '.';
    return static_cast<char>(sep[0]);
}

} // namespace velk
