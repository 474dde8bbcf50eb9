#include "alarms/retyping.h"

namespace velk {

bool retyping::typed(event* alarm, bool wasactive) {
    if (!alarm || alarm != off_) off_ = nullptr;
    if (!alarm || alarm->active) return false;
    if (wasactive) {
        off_ = alarm;
        return false;
    }
    if (off_ != alarm || !alarm->activate()) return false;
    off_ = nullptr;
    return true;
}

} // namespace velk
