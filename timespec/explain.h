#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "timespec/timedesc.h"

namespace velk {

// As readings name them: "Sunday" .. "Saturday" by day-of-week number, "January" .. "December"
// by month number (0 is "").
extern const std::array<const char*, 7> weekdaynames;
extern const std::array<const char*, 13> monthnames;

// A plain-English reading of a parsed specification, made from its value sets (and the words
// the parser resolved), never from the text the user typed.
struct explanation {
    // One per alternative (one for a simple specification): its reading, and the values that
    // reading names, which every moment of the alternative must have.
    struct part {
        std::string text;
        bool never = false;
        uint8_t weekdays = 0;              // bit d: day of week d, 0 = Sunday
        uint16_t months = 0;               // bit m: month m, 1..12
        uint32_t days = 0;                 // bit d: day of month d, 1..31
        uint32_t hours = 0;                // bit h
        uint64_t minutes = 0;              // bit m
        std::vector<valdesc::range> years; // ascending, disjoint
        // The reading says the date comes in every one of those years (each year of a list).
        bool everyyear = false;
    };
    std::string text;
    std::vector<part> parts;
    // Statements held back because they would have misled (a date that some years lack is not
    // said to come every year).
    int heldback = 0;
};

// ref is the reference moment spec was parsed with: "today", "once" and the like are shown
// with the dates they resolved to against it. The reading is for someone at now (ref when
// novalue): days are "today" or "tomorrow" as seen from now, and moments all before now are
// said to be over.
explanation explainparts(const timedesc& spec, datetime ref, datetime now = novalue);

inline std::string explain(const timedesc& spec, datetime ref, datetime now = novalue) {
    return explainparts(spec, ref, now).text;
}

} // namespace velk
