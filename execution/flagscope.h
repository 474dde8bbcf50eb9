#pragma once

namespace velk {

// Sets a flag for one scope and puts back what it found, also when the scope is left by an
// exception. A pass or dialog nested inside another thus leaves the outer one's flag set.
class flagscope {
  public:
    explicit flagscope(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~flagscope() { flag_ = saved_; }
    flagscope(const flagscope&) = delete;
    flagscope& operator=(const flagscope&) = delete;

  private:
    bool& flag_;
    bool saved_;
};

} // namespace velk
