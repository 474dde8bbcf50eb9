#pragma once
#include <cstdint>

namespace velk {

// Local wall-clock moment: days since 1899-12-30 00:00, the fraction is the time of day.
using datetime = double;

// Program-wide marker for "no value" (no number, no day name, no moment).
inline constexpr int32_t novalue = -11111;
inline constexpr double oneminute = 1.0 / 1440.0;

struct datefields {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, msec = 0;
    int wday = 0; // 0 = Sunday
};

// Whole-day part truncated toward zero is -11111.
bool isnovalue(datetime t);
// A time counts as set when its whole-day part is neither 0 nor -11111.
bool isset(datetime t);

bool isleap(int year);
int daysinmonth(int year, int month);
// Encodes a proleptic Gregorian date at 00:00; false for dates that do not exist.
bool encodedate(int year, int month, int day, datetime& out);
// Day number of a valid date (no check).
int32_t daynumber(int year, int month, int day);
double encodetime(int hour, int minute, int second = 0, int msec = 0);
// Whether t falls on a day from 0001-01-01 to 9999-12-31, the days that can be shown and
// searched from. A number read from a file may lie far outside.
bool indaterange(datetime t);
// Rounds to the nearest millisecond first, then splits date and time. Meant for times in the
// date range; any other value (infinities and NaN too) still gives some fields, never a fault.
datefields decode(datetime t);
int dayofweek(datetime t);

} // namespace velk
