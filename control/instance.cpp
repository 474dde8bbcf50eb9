#include "control/instance.h"

#include <cstdio>

#include "alarms/datapath.h"
#include "timespec/error.h"

namespace velk::control {

std::string keyfor(const std::string& datapath) {
    const std::string text = keytext(datapath);
    // FNV-1a: stable across builds and platforms, and enough to keep files apart.
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return std::string("velk-") + hex;
}

std::string lockpath(const std::string& datapath) {
    return privatedir() + keyfor(datapath) + ".lock";
}

bool instanceheld(const std::string& datapath) {
    try {
        instancelock probe(lockpath(datapath));
        return !probe.trylock();
    } catch (const velkerror&) {
        // No private folder: no process can hold a lock there.
        return false;
    }
}

std::string datapath() {
    static const std::string chosen = choosedatapath(exedir(), userdatadir(), instanceheld);
    return chosen;
}

std::optional<sendresult> takereply(framereader& reader, std::string_view piece, reply& out) {
    switch (reader.add(piece)) {
    case framereader::state::more:
        return std::nullopt;
    case framereader::state::refused:
        return sendresult::failed;
    case framereader::state::done:
        break;
    }
    auto decoded = decodereply(reader.payload());
    if (!decoded) return sendresult::failed;
    out = std::move(*decoded);
    return sendresult::ok;
}

} // namespace velk::control
