#include "timespec/datetime.h"

#include <cmath>

namespace velk {

namespace {
constexpr int64_t msperday = 86400000;

// Days from 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
int64_t daysfromcivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilfromdays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}

// 1899-12-30 counted from 1970-01-01.
constexpr int64_t epochoffset = -25569;

// 0001-01-01 and 10000-01-01.
constexpr double firstday = -693593;
constexpr double afterlastday = 2958466;
// Far enough outside the date range, near enough that its milliseconds fit 64 bits.
constexpr double decodelimit = 1e10;
} // namespace

bool isnovalue(datetime t) {
    return std::trunc(t) == novalue;
}

bool isset(datetime t) {
    const double whole = std::trunc(t);
    return whole != 0 && whole != novalue;
}

bool isleap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysinmonth(int year, int month) {
    static constexpr int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isleap(year) ? 29 : lengths[month - 1];
}

int32_t daynumber(int year, int month, int day) {
    return static_cast<int32_t>(
        daysfromcivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
        epochoffset);
}

bool encodedate(int year, int month, int day, datetime& out) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysinmonth(year, month))
        return false;
    out = daynumber(year, month, day);
    return true;
}

double encodetime(int hour, int minute, int second, int msec) {
    return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / msperday;
}

bool indaterange(datetime t) {
    const double whole = std::trunc(t);
    return whole >= firstday && whole < afterlastday;
}

datefields decode(datetime t) {
    if (!(t > -decodelimit)) t = -decodelimit;
    if (!(t < decodelimit)) t = decodelimit;
    // Rounded to the millisecond first, so a stored time a few microseconds short of its
    // minute decodes as that minute.
    const int64_t ms = static_cast<int64_t>(std::llround(t * msperday));
    int64_t days = ms / msperday;
    int64_t rest = ms % msperday;
    // Negative values: the fraction is the time of day counted away from day 0, as with
    // the classic date-time double (-1.25 is 1899-12-29 06:00).
    if (rest < 0) rest = -rest;
    datefields f;
    civilfromdays(days + epochoffset, f.year, f.month, f.day);
    f.hour = static_cast<int>(rest / 3600000);
    f.minute = static_cast<int>(rest / 60000 % 60);
    f.second = static_cast<int>(rest / 1000 % 60);
    f.msec = static_cast<int>(rest % 1000);
    f.wday = static_cast<int>(((days + 6) % 7 + 7) % 7); // day 0 was a Saturday
    return f;
}

int dayofweek(datetime t) {
    return decode(t).wday;
}

} // namespace velk
