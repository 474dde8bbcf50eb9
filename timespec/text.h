#pragma once
#include <cstdint>
#include <string_view>

namespace velk {

// Blanks and control characters: codes 0..32. Bytes above 127 are ordinary characters.
constexpr bool isblank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// text without the leading and trailing characters for which blank holds (isblank unless told).
std::string_view trimmed(std::string_view text, bool (*blank)(char) = isblank);

// An optionally signed decimal 32-bit integer, nothing else (no blanks, no hex, no sign after a
// sign); novalue for anything else and for -11111 itself.
int32_t readnumber(std::string_view text);

} // namespace velk
