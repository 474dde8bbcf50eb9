#pragma once
#include <cstdlib>
#include <optional>
#include <string>

namespace velk::test {

#ifdef _WIN32
// The C runtime's copy of the environment and the system's are kept in step by _putenv_s; an
// empty value removes the variable there.
inline void setenv(const char* name, const char* value, int) {
    _putenv_s(name, value);
}
inline void unsetenv(const char* name) {
    _putenv_s(name, "");
}
#endif

// Sets (or with nullopt unsets) an environment variable for one scope.
class envscope {
  public:
    envscope(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* before = std::getenv(name)) before_ = before;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~envscope() {
        if (before_)
            setenv(name_, before_->c_str(), 1);
        else
            unsetenv(name_);
    }
    envscope(const envscope&) = delete;
    envscope& operator=(const envscope&) = delete;

  private:
    const char* name_;
    std::optional<std::string> before_;
};

} // namespace velk::test
