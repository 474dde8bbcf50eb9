#pragma once
#include <string>

// Windows only. The program keeps every text, paths included, in UTF-8; the system's wide
// (UTF-16) calls are the ones that take any name a user can give a folder, whatever the ANSI
// code page.
namespace velk::win {

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& utf16);
// The system's text for an error code, in UTF-8, without the closing period and line break.
std::string systemmessage(unsigned long err);

} // namespace velk::win
