// The decoder of the window's channel. Input: any bytes, as a peer may send them.
//
// The decoder is strict: whatever it accepts is exactly what the encoder writes for the decoded
// message, so nothing about a message can be read two ways. Bytes fed in pieces are read as
// bytes fed at once, and no frame larger than the limit is ever collected.
#include <string>
#include <string_view>

#include "control/message.h"
#include "tests/fuzz/fuzzsupport.h"

using namespace velk::control;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // The input as a payload of either kind.
    if (const auto q = decoderequest(input)) {
        const std::string frame = encode(*q);
        FUZZ_CHECK(frame.size() == input.size() + 4);
        FUZZ_CHECK(std::string_view(frame).substr(4) == input);
    }
    if (const auto r = decodereply(input)) {
        const std::string frame = encode(*r);
        FUZZ_CHECK(std::string_view(frame).substr(4) == input);
        FUZZ_CHECK(r->status >= 0 && r->status <= 255);
    }

    // The input as a stream: whole, and cut where its first byte says.
    framereader whole;
    const framereader::state all = whole.add(input);
    framereader pieces;
    framereader::state last = framereader::state::more;
    const std::size_t step = size == 0 ? 1 : 1 + static_cast<unsigned char>(input[0]) % 17;
    for (std::size_t at = 0; at < size; at += step)
        last = pieces.add(input.substr(at, step));
    FUZZ_CHECK(last == all);
    if (all == framereader::state::done) {
        FUZZ_CHECK(whole.payload() == pieces.payload());
        FUZZ_CHECK(whole.payload().size() <= maxframe);
        FUZZ_CHECK(whole.payload().size() + 4 == size);
    }
    return 0;
}
