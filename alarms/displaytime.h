#pragma once
#include <string>

#include "timespec/datetime.h"

namespace velk {

// «2026-12-06 08:05 sun», or "-" for a time never set.
std::string displaytime(datetime t);
// Time left, truncated: «2d 03:15», «23:59», «00:00» for the past.
std::string countdowntext(datetime now, datetime t);

} // namespace velk
