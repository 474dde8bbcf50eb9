#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "timespec/datetime.h"
#include "timespec/valdesc.h"

namespace velk {

// A parsed time specification: either alternatives (count > 0) or six value sets.
// Construction throws velkerror with the user-facing message and releases what it built.
class timedesc {
public:
    static constexpr int maxalternatives = 100;

    timedesc(std::string_view text, datetime ref);

    // With dateonly only year, month, day and day of week are tested. False when never is set.
    bool matches(datetime t, bool dateonly) const;

    int32_t count = 0;
    bool never = false;
    std::array<std::unique_ptr<timedesc>, maxalternatives> alt;
    std::unique_ptr<valdesc> year, month, day, wday, hour, minute;

private:
    timedesc() = default;
    void parse(std::string_view text, datetime ref);
};

// First moment at or after the minute of t that spec admits, or novalue.
datetime nextfrom(const timedesc& spec, datetime t);

} // namespace velk
