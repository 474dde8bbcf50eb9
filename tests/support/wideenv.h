#pragma once
#include <optional>
#include <string>

#include <windows.h>

#include "alarms/winstr.h"

namespace velk::test {

// Sets (or with nullopt removes) a variable of the process for one scope, in UTF-16 so that
// any letters go through unchanged.
class wideenv {
  public:
    wideenv(const wchar_t* name, const std::optional<std::string>& value) : name_(name) {
        wchar_t buf[32768];
        const DWORD n = GetEnvironmentVariableW(name, buf, 32768);
        if (n > 0 && n < 32768) before_ = std::wstring(buf, n);
        SetEnvironmentVariableW(name, value ? win::widen(*value).c_str() : nullptr);
    }
    ~wideenv() { SetEnvironmentVariableW(name_, before_ ? before_->c_str() : nullptr); }
    wideenv(const wideenv&) = delete;
    wideenv& operator=(const wideenv&) = delete;

  private:
    const wchar_t* name_;
    std::optional<std::wstring> before_;
};

} // namespace velk::test
