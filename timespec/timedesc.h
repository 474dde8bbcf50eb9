#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "timespec/datetime.h"
#include "timespec/valdesc.h"

namespace velk {

// A parsed time specification: either alternatives (count > 0) or six value sets.
// Construction throws velkerror with the user-facing message and releases what it built.
// The tree is immutable once built: the search keeps tables derived from the value sets.
class timedesc {
  public:
    static constexpr int maxalternatives = 100;
    // Words of a bitmap over the years 1980..2500.
    static constexpr int yearwords = 9;

    timedesc(std::string_view text, datetime ref);

    // With dateonly only year, month, day and day of week are tested. False when never is set.
    bool matches(datetime t, bool dateonly) const;

    int32_t count = 0;
    bool never = false;
    // The first count are in use (alt.size() == count).
    std::vector<std::unique_ptr<timedesc>> alt;
    std::unique_ptr<valdesc> year, month, day, wday, hour, minute;

    // The words that leave no set of their own, so that a reading can name them: bits of said.
    enum : uint8_t {
        saidonce = 1,
        saidthis = 2,
        saidtoday = 4,
        saidtomorrow = 8,
        saidmorning = 16
    };
    uint8_t said = 0;
    // The alternatives of a compound specification that admits nothing, kept only to be read
    // back; the search and the match test never look at them.
    std::vector<std::unique_ptr<timedesc>> lapsed;

  private:
    // What the search of a simple specification needs, derived once from the six sets.
    struct searchplan {
        bool possible = false; // some time of day and some date can be admitted
        uint32_t days = 0;     // bit d: day of month d is admitted
        std::array<uint32_t, 7>
            byfirstwday{}; // bit d: day d admitted in a month starting on weekday w
        // Index leap * 7 + weekday of 1 January: bit m set when month m has an admitted date.
        std::array<uint16_t, 14> goodmonths{};
        int32_t firsthour = novalue, firstminute = novalue;
        // Bit y - 1980: year y is admitted and has an admitted date.
        std::array<uint64_t, yearwords> goodyears{};
    };

    timedesc() = default;
    void parse(std::string_view text, datetime ref);
    void parsesimple(std::string_view text, datetime ref, bool& once, bool& pinday);
    void word(std::string_view w, datetime ref, bool& once, bool& pinday, uint8_t& weekdays);
    void plansearch();
    datetime searchsimple(datetime t) const;
    int32_t nextgoodyear(int64_t from) const;

    searchplan plan;

    friend datetime nextfrom(const timedesc& spec, datetime t);
};

// First moment at or after the minute of t that spec admits, or novalue (always so when t
// is outside the date range).
datetime nextfrom(const timedesc& spec, datetime t);

} // namespace velk
