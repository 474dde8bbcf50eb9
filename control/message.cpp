#include "control/message.h"

#include <chrono>

namespace velk::control {

namespace {

// Four bytes naming the format and a version byte: a stray client (or an old VELK) is told apart
// from a real request instead of being misread.
constexpr std::string_view requesttag = "VELKq\x01";
constexpr std::string_view replytag = "VELKr\x01";
// More words than any command line can hold.
constexpr std::uint32_t maxwords = 100000;

void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xff);
}

void put64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xff);
}

void putword(std::string& out, const std::string& s) {
    put32(out, static_cast<std::uint32_t>(s.size()));
    out += s;
}

// Reads from a payload; every read checks the bytes left, so no read runs past the end.
class cursor {
  public:
    explicit cursor(std::string_view s) : s_(s) {}
    bool take(std::string_view expected) {
        if (s_.substr(0, expected.size()) != expected) return false;
        s_.remove_prefix(expected.size());
        return true;
    }
    bool u32(std::uint32_t& v) {
        if (s_.size() < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(s_[i])) << (8 * i);
        s_.remove_prefix(4);
        return true;
    }
    bool u64(std::uint64_t& v) {
        if (s_.size() < 8) return false;
        v = 0;
        for (int i = 0; i < 8; ++i)
            v |= static_cast<std::uint64_t>(static_cast<unsigned char>(s_[i])) << (8 * i);
        s_.remove_prefix(8);
        return true;
    }
    bool word(std::string& out, bool nulallowed) {
        std::uint32_t n = 0;
        if (!u32(n) || n > s_.size()) return false;
        out.assign(s_.substr(0, n));
        s_.remove_prefix(n);
        return nulallowed || out.find('\0') == std::string::npos;
    }
    bool end() const { return s_.empty(); }
    std::size_t left() const { return s_.size(); }

  private:
    std::string_view s_;
};

std::string frame(const std::string& payload) {
    if (payload.size() > maxframe) return "";
    std::string out;
    out.reserve(payload.size() + 4);
    put32(out, static_cast<std::uint32_t>(payload.size()));
    return out + payload;
}

} // namespace

std::string encode(const request& r) {
    std::string p(requesttag);
    put64(p, static_cast<std::uint64_t>(r.sentms));
    put32(p, static_cast<std::uint32_t>(r.args.size()));
    for (const auto& a : r.args) {
        if (p.size() > maxframe) return "";
        putword(p, a);
    }
    return frame(p);
}

std::string encode(const reply& r) {
    std::string p(replytag);
    put32(p, static_cast<std::uint32_t>(r.status));
    putword(p, r.out);
    putword(p, r.err);
    return frame(p);
}

std::optional<request> decoderequest(std::string_view payload) {
    if (payload.size() > maxframe) return std::nullopt;
    cursor c(payload);
    request r;
    std::uint64_t sent = 0;
    std::uint32_t count = 0;
    if (!c.take(requesttag) || !c.u64(sent) || !c.u32(count) || count > maxwords)
        return std::nullopt;
    // Each word needs at least its 4 length bytes: a count beyond that is a lie.
    if (count > c.left() / 4) return std::nullopt;
    r.sentms = static_cast<std::int64_t>(sent);
    r.args.resize(count);
    for (auto& a : r.args)
        if (!c.word(a, false)) return std::nullopt;
    if (!c.end()) return std::nullopt;
    return r;
}

std::optional<reply> decodereply(std::string_view payload) {
    if (payload.size() > maxframe) return std::nullopt;
    cursor c(payload);
    reply r;
    std::uint32_t status = 0;
    if (!c.take(replytag) || !c.u32(status) || status > 255) return std::nullopt;
    r.status = static_cast<int>(status);
    if (!c.word(r.out, true) || !c.word(r.err, true) || !c.end()) return std::nullopt;
    return r;
}

framereader::state framereader::add(std::string_view bytes) {
    if (state_ != state::more) {
        // One frame per connection: anything after it is a protocol error.
        if (!bytes.empty()) state_ = state::refused;
        return state_;
    }
    buffer_.append(bytes);
    if (buffer_.size() < 4) return state_;
    std::uint32_t n = 0;
    for (int i = 0; i < 4; ++i)
        n |= static_cast<std::uint32_t>(static_cast<unsigned char>(buffer_[i])) << (8 * i);
    if (n > maxframe) return state_ = state::refused;
    if (buffer_.size() < 4 + static_cast<std::size_t>(n)) return state_;
    if (buffer_.size() > 4 + static_cast<std::size_t>(n)) return state_ = state::refused;
    payload_ = buffer_.substr(4);
    buffer_.clear();
    return state_ = state::done;
}

std::int64_t steadyms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace velk::control
