#pragma once
#include <array>
#include <memory>
#include <string_view>
#include <vector>

#include "alarms/event.h"

namespace velk {

// What append throws when the book already holds capacity alarms.
inline constexpr std::string_view bookfullmessage = "The Alarm list is full (1000 Alarms)!";

// All alarms in storage order (the file's order) plus the display order.
class book {
  public:
    static constexpr int capacity = 1000;

    // How many alarms the book holds.
    int evcount() const { return count_; }
    bool full() const { return count_ >= capacity; }
    // Storage order: alarm i, 0 <= i < evcount.
    event* evs(int i) { return alarms_[i].get(); }
    const event* evs(int i) const { return alarms_[i].get(); }
    // Display order: the storage index shown in row r, as the last sortbook left it.
    int evorder(int r) const { return order_[r]; }
    // The alarm shown in row r, nullptr outside the rows.
    event* inrow(int r) { return r >= 0 && r < count_ ? evs(order_[r]) : nullptr; }
    const event* inrow(int r) const { return r >= 0 && r < count_ ? evs(order_[r]) : nullptr; }
    // The row that shows e, or -1.
    int rowof(const event* e) const;
    // Storage index of e, or -1.
    int indexof(const event* e) const;
    // Storage indexes of the alarms called name, in storage order.
    std::vector<int> named(std::string_view name) const;

    // Appends at evs(evcount); throws velkerror when the book is full.
    event& append(std::unique_ptr<event> e);
    // Destroys evs(i); the last alarm moves into the hole.
    void remove(int i);
    // Destroys the alarms from the last to the first.
    void clear();
    // Rebuilds evorder: inactive (newest start first), active by next time, active without one.
    void sortbook();

  private:
    std::array<std::unique_ptr<event>, capacity> alarms_;
    int count_ = 0;
    std::array<int, capacity> order_{};
};

} // namespace velk
