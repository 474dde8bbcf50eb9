#pragma once
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#endif

namespace velk::test {

// The failures tests provoke on purpose, and the system's own words for each, as the saves and
// loads put them into their messages.
enum class failure { nofolder, isafolder };

#ifdef _WIN32
inline std::string reasonfor(failure f) {
    const DWORD err = f == failure::nofolder ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED;
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, err, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out;
    for (DWORD i = 0; i < n; ++i) // system texts of these two are ASCII
        out += static_cast<char>(text[i]);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.'))
        out.pop_back();
    return out;
}
#else
inline std::string reasonfor(failure f) {
    return std::strerror(f == failure::nofolder ? ENOENT : EISDIR);
}
#endif

} // namespace velk::test
