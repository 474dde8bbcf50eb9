#include "alarms/book.h"

#include <algorithm>

#include "timespec/error.h"

namespace velk {

event& book::append(std::unique_ptr<event> e) {
    if (full()) throw velkerror{std::string(bookfullmessage)};
    alarms_[count_] = std::move(e);
    return *alarms_[count_++];
}

void book::remove(int i) {
    if (i < 0 || i >= count_) return;
    alarms_[i].reset();
    --count_;
    // The last alarm fills the hole, so the storage order (and the file's) changes.
    if (i != count_) alarms_[i] = std::move(alarms_[count_]);
}

void book::clear() {
    while (count_ > 0) {
        --count_;
        alarms_[count_].reset();
    }
}

void book::sortbook() {
    // Ascending by key; equal keys keep their storage order. A stable sort gives exactly the
    // order of repeatedly taking the first smallest remaining key.
    std::array<double, capacity> keys{};
    for (int i = 0; i < count_; ++i) {
        keys[i] = sortkey(*alarms_[i]);
        order_[i] = i;
    }
    std::stable_sort(order_.begin(), order_.begin() + count_,
                     [&keys](int a, int b) { return keys[a] < keys[b]; });
}

int book::indexof(const event* e) const {
    if (!e) return -1;
    for (int i = 0; i < count_; ++i)
        if (alarms_[i].get() == e) return i;
    return -1;
}

int book::rowof(const event* e) const {
    const int i = indexof(e);
    if (i < 0) return -1;
    for (int r = 0; r < count_; ++r)
        if (order_[r] == i) return r;
    return -1;
}

std::vector<int> book::named(std::string_view name) const {
    std::vector<int> found;
    for (int i = 0; i < count_; ++i)
        if (alarms_[i]->name == name) found.push_back(i);
    return found;
}

} // namespace velk
