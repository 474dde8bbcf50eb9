#pragma once
#include <string>

#include "alarms/book.h"
#include "alarms/snoozes.h"
#include "timespec/datetime.h"

namespace velk {

// The tray icon's tooltip: the alarm due next (the soonest next time among the active alarms, the
// first in the list on a tie) with its time and countdown as the list shows them, or that none is
// due. The caption stands on the first line, so that the icon still says whose it is.
// With put-off runs, the soonest of them and of the next times; a snoozed one says so.
std::string traytip(const book& b, datetime now, const std::string& caption,
                    const snoozes* putoff = nullptr);

} // namespace velk
