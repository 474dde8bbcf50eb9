#pragma once
#include <string>
#include <vector>

#include "execution/wake.h"

namespace velk::test {

// Records what is armed: "arm MS" and "disarm"; fails an arm while failwith is set.
class fakewaketimer : public waketimer {
  public:
    std::string arm(long long ms) override {
        log.push_back("arm " + std::to_string(ms));
        return failwith;
    }
    void disarm() override { log.push_back("disarm"); }
    std::vector<std::string> log;
    std::string failwith;
};

} // namespace velk::test
