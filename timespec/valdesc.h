#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
    // Sets whose range [lo..hi] is at most this wide keep a membership bitmap, so contains and
    // firstfrom take constant time in the occurrence search. Wider sets scan their ranges.
    static constexpr int maxbits = 1024;
    struct range {
        int32_t from = 0, to = 0;
    };

    valdesc(std::string_view text, int32_t hi, int32_t lo, bool names, bool fromend);

    bool contains(int32_t v) const;
    // Smallest member >= v (from lo when v is novalue), no further than hi; novalue if none.
    int32_t firstfrom(int32_t v) const;
    // True when no value in [lo..hi] is a member ("[^..]").
    bool empty() const { return firstfrom(novalue) == novalue; }
    // Bit k is set when first + k is a member (k = 0..63).
    uint64_t members64(int64_t first) const;

    bool negated = false;
    bool fromend = false;
    bool names = false;
    int32_t lo = 0;
    int32_t hi = 0;
    int32_t count = 0;
    // At most maxranges, in written order; kept no larger than the description needs, as a
    // start-up with a thousand alarms holds six sets per alternative.
    std::vector<range> ranges;

    bool isany() const { return count >= 1 && ranges[0].from == novalue; }

  private:
    static constexpr int words = maxbits / 64;

    void parse(std::string_view text);
    int32_t value(std::string_view text) const;
    int32_t resolve(int32_t v) const;
    void buildbitmap();
    bool scancontains(int32_t v) const;
    int32_t scanfirstfrom(int64_t start) const;

    bool bitmapped = false;
    // Bit v - lo is set when v is a member.
    std::array<uint64_t, words> bits{};
};

} // namespace velk
