#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "timespec/datetime.h"

namespace velk {

// "sunday" .. "saturday"; the index is the day-of-week number.
extern const std::array<std::string_view, 7> daynames;

// Day number 0..6 of the first name that begins with text (two letters at least), else novalue.
int32_t dayindex(std::string_view text);

// The parsed form of a value description ("N", "13", "[8..16]", "[^mon;tue;sun]").
// Immutable once built; construction throws velkerror with the user-facing message.
class valdesc {
public:
    static constexpr int maxranges = 100;
    struct range {
        int32_t from = 0, to = 0;
    };

    valdesc(std::string_view text, int32_t hi, int32_t lo, bool names, bool fromend);

    bool contains(int32_t v) const;
    // Smallest member >= v (from lo when v is novalue), no further than hi; novalue if none.
    int32_t firstfrom(int32_t v) const;

    bool negated = false;
    bool fromend = false;
    bool names = false;
    int32_t lo = 0;
    int32_t hi = 0;
    int32_t count = 0;
    std::array<range, maxranges> ranges{};

    bool isany() const { return count >= 1 && ranges[0].from == novalue; }

private:
    void parse(std::string_view text);
    int32_t value(std::string_view text) const;
    int32_t resolve(int32_t v) const;
};

} // namespace velk
