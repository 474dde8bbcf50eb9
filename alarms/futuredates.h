#pragma once
#include <string>

#include "timespec/timedesc.h"

namespace velk {

// The coming moments of spec from 'from' on, one display form per line, each line ending in
// "\r\n"; "...\r\n" after count moments, "No future dates.\r\n" when there is none.
std::string futuredates(const timedesc& spec, datetime from, int count = 100);

} // namespace velk
