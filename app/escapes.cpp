#include "app/escapes.h"

#include <cstdio>

namespace velk {

namespace {
constexpr unsigned char utf8lead = 0xc2;
} // namespace

escapingbuf::~escapingbuf() {
    if (lead_) to_->sputc(static_cast<char>(utf8lead));
}

bool escapingbuf::put(const char* text) {
    for (; *text; ++text)
        if (to_->sputc(*text) == traits_type::eof()) return false;
    return true;
}

escapingbuf::int_type escapingbuf::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const auto b = static_cast<unsigned char>(traits_type::to_char_type(c));
    char escape[8];
    if (lead_) {
        lead_ = false;
        if (b >= 0x80 && b <= 0x9f) {
            std::snprintf(escape, sizeof escape, "\\u%04x", b);
            return put(escape) ? c : traits_type::eof();
        }
        if (to_->sputc(static_cast<char>(utf8lead)) == traits_type::eof())
            return traits_type::eof();
    }
    if (b == utf8lead) {
        lead_ = true;
        return c;
    }
    if ((b < 0x20 && b != '\n') || b == 0x7f) {
        std::snprintf(escape, sizeof escape, "\\x%02x", b);
        return put(escape) ? c : traits_type::eof();
    }
    return to_->sputc(static_cast<char>(b)) == traits_type::eof() ? traits_type::eof() : c;
}

terminalescapes::terminalescapes(std::ostream& stream, bool terminal)
    : stream_(stream), before_(stream.rdbuf()), escaping_(before_) {
    if (terminal) stream_.rdbuf(&escaping_);
}

terminalescapes::~terminalescapes() {
    stream_.flush();
    stream_.rdbuf(before_);
}

} // namespace velk
