#include "ui/eventsound.h"

#include <canberra.h>

namespace velk {

namespace {

// One context for the life of the process: destroying it would cut a sound short, and opening
// the connection to the sound server costs more than the sound itself.
ca_context* soundcontext() {
    static ca_context* const context = [] {
        ca_context* c = nullptr;
        if (ca_context_create(&c) != CA_SUCCESS) return static_cast<ca_context*>(nullptr);
        ca_context_change_props(c, CA_PROP_APPLICATION_NAME, "VELK", CA_PROP_APPLICATION_ID, "velk",
                                nullptr);
        return c;
    }();
    return context;
}

} // namespace

bool playeventsound(const char* id) {
    ca_context* c = soundcontext();
    return c && ca_context_play(c, 0, CA_PROP_EVENT_ID, id, CA_PROP_MEDIA_ROLE, "event",
                                CA_PROP_EVENT_DESCRIPTION, "Alarm beep", nullptr) == CA_SUCCESS;
}

} // namespace velk
