#include "control/instance.h"

#include <cstdio>
#include <filesystem>

namespace velk::control {

std::string keyfor(const std::string& datapath) {
    // Links resolved: the same file reached by two paths is still one file with one writer.
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(datapath, ec);
    if (ec) p = std::filesystem::absolute(datapath, ec);
    if (ec) p = datapath;
    const std::string text = p.lexically_normal().string();
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

} // namespace velk::control
