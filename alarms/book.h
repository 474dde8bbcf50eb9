#pragma once
#include <array>
#include <memory>
#include <string_view>

#include "alarms/event.h"

namespace velk {

// What append throws when the book already holds capacity alarms.
inline constexpr std::string_view bookfullmessage = "The Alarm list is full (1000 Alarms)!";

// All alarms in storage order (the file's order) plus the display order.
class book {
  public:
    static constexpr int capacity = 1000;

    bool full() const { return evcount >= capacity; }
    // Appends at evs[evcount]; throws velkerror when the book is full.
    event& append(std::unique_ptr<event> e);
    // Destroys evs[i]; the last alarm moves into the hole.
    void remove(int i);
    // Destroys the alarms from the last to the first.
    void clear();
    // Rebuilds evorder: inactive (newest start first), active by next time, active without one.
    void sortbook();
    // Storage index of e, or -1.
    int indexof(const event* e) const;

    std::array<std::unique_ptr<event>, capacity> evs;
    int evcount = 0;
    std::array<int, capacity> evorder{};
};

} // namespace velk
