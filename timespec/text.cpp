#include "timespec/text.h"

#include <limits>

#include "timespec/datetime.h"

namespace velk {

std::string_view trimmed(std::string_view text, bool (*blank)(char)) {
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

int32_t readnumber(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size()) return novalue;
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return novalue;
        magnitude = magnitude * 10 + (c - '0');
        // Too large for 32 bits: not a number. Stopping here also bounds the work on long texts.
        if (magnitude > int64_t{1} << 31) return novalue;
    }
    const int64_t v = negative ? -magnitude : magnitude;
    if (v > std::numeric_limits<int32_t>::max()) return novalue;
    return static_cast<int32_t>(v); // -11111 itself reads as novalue, as it should
}

} // namespace velk
