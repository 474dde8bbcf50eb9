#include "alarms/book.h"

#include <algorithm>

#include "timespec/error.h"

namespace velk {

event& book::append(std::unique_ptr<event> e) {
    if (full()) throw velkerror{std::string(bookfullmessage)};
    evs[evcount] = std::move(e);
    return *evs[evcount++];
}

void book::remove(int i) {
    if (i < 0 || i >= evcount) return;
    evs[i].reset();
    --evcount;
    // The last alarm fills the hole, so the storage order (and the file's) changes.
    if (i != evcount) evs[i] = std::move(evs[evcount]);
}

void book::clear() {
    while (evcount > 0) {
        --evcount;
        evs[evcount].reset();
    }
}

void book::sortbook() {
    // Ascending by key; equal keys keep their storage order. A stable sort gives exactly the
    // order of repeatedly taking the first smallest remaining key.
    std::array<double, capacity> keys{};
    for (int i = 0; i < evcount; ++i) {
        keys[i] = sortkey(*evs[i]);
        evorder[i] = i;
    }
    std::stable_sort(evorder.begin(), evorder.begin() + evcount,
                     [&keys](int a, int b) { return keys[a] < keys[b]; });
}

int book::indexof(const event* e) const {
    if (!e) return -1;
    for (int i = 0; i < evcount; ++i)
        if (evs[i].get() == e) return i;
    return -1;
}

} // namespace velk
