#include "timespec/valdesc.h"

#include <algorithm>
#include <bit>

#include "timespec/error.h"
#include "timespec/text.h"

namespace velk {

const std::array<std::string_view, 7> daynames = {"sunday",   "monday", "tuesday", "wednesday",
                                                  "thursday", "friday", "saturday"};

int32_t dayindex(std::string_view text) {
    if (text.size() < 2) return novalue;
    for (int32_t i = 0; i < 7; ++i)
        if (daynames[i].starts_with(text)) return i;
    return novalue;
}

namespace {
[[noreturn]] void fail(std::string text) {
    throw velkerror{std::move(text)};
}

[[noreturn, gnu::cold, gnu::noinline]] void outofrange(int32_t v, int32_t lo, int32_t hi) {
    fail("Value " + std::to_string(v) + " is outside the allowed range [" + std::to_string(lo) +
         ".." + std::to_string(hi) + "]!");
}

std::string quoted(std::string_view head, std::string_view text) {
    std::string s;
    s.reserve(head.size() + text.size() + 4);
    s.append(head).append(": '").append(text).append("'!");
    return s;
}

[[noreturn, gnu::cold, gnu::noinline]] void failquoted(std::string_view head,
                                                       std::string_view text) {
    fail(quoted(head, text));
}
} // namespace

valdesc::valdesc(std::string_view text, int32_t hi_, int32_t lo_, bool names_, bool fromend_)
    : fromend(fromend_), names(names_), lo(lo_), hi(hi_) {
    parse(text);
    buildbitmap();
}

void valdesc::parse(std::string_view text) {
    text = trimmed(text);
    count = 0;
    if (text.empty()) fail("Empty value description!");
    if (text == "N") {
        negated = false;
        ranges.assign(1, {novalue, novalue});
        count = 1;
        return;
    }
    if (const int32_t v = readnumber(text); v != novalue) {
        negated = false;
        const int32_t r = resolve(v);
        ranges.push_back({r, r});
        count = 1;
        return;
    }
    if (text.size() < 2 || text.front() != '[' || text.back() != ']')
        fail(quoted("Invalid value description", text));
    negated = text[1] == '^';
    const std::string_view list = text.substr(negated ? 2 : 1, text.size() - (negated ? 3 : 2));
    const auto items = static_cast<size_t>(std::count(list.begin(), list.end(), ';')) + 1;
    ranges.reserve(std::min<size_t>(items, maxranges));
    // Items are cut at every ";" as if one more ";" closed the list, so empty items are kept.
    // One pass per item finds both its end and its first "..".
    const char* p = list.data();
    const size_t n = list.size();
    for (size_t pos = 0;;) {
        size_t end = pos, dots = std::string_view::npos;
        for (; end < n && p[end] != ';'; ++end)
            if (p[end] == '.' && dots == std::string_view::npos && end + 1 < n && p[end + 1] == '.')
                dots = end;
        if (count == maxranges) failquoted("Too many values in value description", text);
        const std::string_view item = list.substr(pos, end - pos);
        if (dots == std::string_view::npos) {
            const int32_t v = value(item);
            ranges.push_back({v, v});
            ++count;
        } else {
            const std::string_view first = trimmed(item.substr(0, dots - pos));
            const std::string_view last = trimmed(item.substr(dots - pos + 2));
            const int32_t from = first.empty() ? lo : value(first);
            const int32_t to = last.empty() ? hi : value(last);
            if (from > to)
                fail("Incorrect range: [" + std::to_string(from) + ".." + std::to_string(to) +
                     "]!");
            ranges.push_back({from, to});
            ++count;
        }
        if (end >= n) break;
        pos = end + 1;
    }
}

int32_t valdesc::value(std::string_view text) const {
    text = trimmed(text);
    int32_t v = readnumber(text);
    if (v == novalue && names) v = dayindex(text);
    if (v == novalue) failquoted("Wrong value", text);
    return resolve(v);
}

int32_t valdesc::resolve(int32_t v) const {
    int64_t r = v;
    if (v < 0 && fromend) r = int64_t{v} + hi + 1;
    if (r < lo || r > hi) outofrange(v, lo, hi);
    return static_cast<int32_t>(r);
}

void valdesc::buildbitmap() {
    const int64_t span = int64_t{hi} - lo + 1;
    bitmapped = span <= maxbits;
    if (!bitmapped || span <= 0) return;
    // Marks the offsets a..b (inclusive) of the bitmap.
    auto mark = [this](int64_t a, int64_t b) {
        const auto wa = static_cast<size_t>(a >> 6), wb = static_cast<size_t>(b >> 6);
        const uint64_t from = ~uint64_t{0} << (a & 63);
        const uint64_t upto = ~uint64_t{0} >> (63 - (b & 63));
        if (wa == wb) {
            bits[wa] |= from & upto;
            return;
        }
        bits[wa] |= from;
        for (size_t w = wa + 1; w < wb; ++w)
            bits[w] = ~uint64_t{0};
        bits[wb] |= upto;
    };
    if (isany()) {
        mark(0, span - 1);
        return;
    }
    for (int i = 0; i < count; ++i)
        mark(int64_t{ranges[i].from} - lo, int64_t{ranges[i].to} - lo);
    if (!negated) return;
    // Members of a negated set are the values of [lo..hi] that no range holds.
    std::array<uint64_t, words> inside{};
    std::swap(inside, bits);
    mark(0, span - 1);
    for (size_t w = 0; w < words; ++w)
        bits[w] &= ~inside[w];
}

bool valdesc::contains(int32_t v) const {
    if (v < lo || v > hi) return false;
    if (!bitmapped) return scancontains(v);
    const auto offset = static_cast<uint64_t>(int64_t{v} - lo);
    return (bits[offset / 64] >> (offset % 64)) & 1;
}

int32_t valdesc::firstfrom(int32_t v) const {
    int64_t start = v == novalue ? lo : v;
    if (start > hi) return novalue;
    if (start < lo) start = lo; // nothing below lo is a member
    if (!bitmapped) return scanfirstfrom(start);
    auto offset = static_cast<uint64_t>(start - lo);
    size_t w = offset / 64;
    uint64_t m = bits[w] & (~uint64_t{0} << (offset % 64));
    while (m == 0) {
        if (++w == words) return novalue;
        m = bits[w];
    }
    return static_cast<int32_t>(lo + static_cast<int64_t>(w * 64) + std::countr_zero(m));
}

uint64_t valdesc::members64(int64_t first) const {
    if (!bitmapped) {
        uint64_t out = 0;
        for (int k = 0; k < 64; ++k) {
            const int64_t v = first + k;
            if (v >= lo && v <= hi && scancontains(static_cast<int32_t>(v)))
                out |= uint64_t{1} << k;
        }
        return out;
    }
    const int64_t offset = first - lo;
    if (offset <= -64) return 0;
    if (offset < 0) return bits[0] << -offset;
    const auto w = static_cast<size_t>(offset / 64);
    const int shift = static_cast<int>(offset % 64);
    if (w >= words) return 0;
    uint64_t out = bits[w] >> shift;
    if (shift != 0 && w + 1 < words) out |= bits[w + 1] << (64 - shift);
    return out;
}

bool valdesc::scancontains(int32_t v) const {
    if (isany()) return true;
    for (int i = 0; i < count; ++i)
        if (ranges[i].from <= v && v <= ranges[i].to) return !negated;
    return negated;
}

int32_t valdesc::scanfirstfrom(int64_t start) const {
    if (isany()) return static_cast<int32_t>(start);
    if (!negated) {
        int64_t best = int64_t{hi} + 1;
        for (int i = 0; i < count; ++i)
            if (ranges[i].to >= start)
                best = std::min(best, std::max<int64_t>(ranges[i].from, start));
        return best > hi ? novalue : static_cast<int32_t>(best);
    }
    // Step past every range that holds the candidate until none does.
    int64_t x = start;
    for (bool moved = true; moved && x <= hi;) {
        moved = false;
        for (int i = 0; i < count; ++i)
            if (ranges[i].from <= x && x <= ranges[i].to) {
                x = int64_t{ranges[i].to} + 1;
                moved = true;
            }
    }
    return x > hi ? novalue : static_cast<int32_t>(x);
}

} // namespace velk
