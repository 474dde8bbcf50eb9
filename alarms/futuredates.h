#pragma once
#include <functional>
#include <string>

#include "alarms/event.h"
#include "timespec/timedesc.h"

namespace velk {

// The coming moments of spec from 'from' on, one display form per line, each line ending in
// "\r\n"; "...\r\n" after count moments, "No future dates.\r\n" when there is none.
std::string futuredates(const timedesc& spec, datetime from, int count = 100);
// The same lines without their ends, handed to each as they are found, so a long list needs no
// more memory than one line; stops early when each returns false.
void futuredates(const timedesc& spec, datetime from, int count,
                 const std::function<bool(const std::string& line)>& each);
// The coming moments of an alarm from now on. Recomputes the alarm first (so its next time is
// fresh too); throws velkerror with the parser's message when its time text does not parse.
std::string futuredates(event& alarm);

} // namespace velk
