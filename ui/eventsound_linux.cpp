#include "ui/eventsound.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include <QGuiApplication>
#include <canberra.h>
#include <xcb/xcb.h>

namespace velk {

namespace {

// One context kept from one sound to the next: destroying it would cut a sound short, and
// opening the connection to the sound server costs more than the sound itself. A sound takes it
// out while it plays, so one that never came back leaves none, and the next makes a fresh one.
std::mutex contextslot;
ca_context* context = nullptr;

ca_context* takecontext() {
    const std::lock_guard lock(contextslot);
    return std::exchange(context, nullptr);
}

void putback(ca_context* c) {
    {
        const std::lock_guard lock(contextslot);
        if (!context) {
            context = c;
            return;
        }
    }
    ca_context_destroy(c);
}

ca_context* newcontext() {
    ca_context* c = nullptr;
    if (ca_context_create(&c) != CA_SUCCESS) return nullptr;
    ca_context_change_props(c, CA_PROP_APPLICATION_NAME, "VELK", CA_PROP_APPLICATION_ID, "velk",
                            nullptr);
    return c;
}

// Reads the settings block of the XSETTINGS protocol: a byte-order byte, the serial and the
// count, then per setting its type, name, serial of last change and value, every part padded to
// four bytes. Anything that runs past the end ends the reading.
class xsettingsreader {
  public:
    explicit xsettingsreader(std::string_view block)
        : d_(block), msb_(!block.empty() && block[0] == 1) {}
    bool has(std::size_t n) const { return pos_ <= d_.size() && n <= d_.size() - pos_; }
    std::uint32_t number(int bytes) {
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) {
            const auto byte = static_cast<std::uint8_t>(d_[pos_ + (msb_ ? i : bytes - 1 - i)]);
            v = v << 8 | byte;
        }
        pos_ += static_cast<std::size_t>(bytes);
        return v;
    }
    std::string_view text(std::size_t n) {
        const std::string_view t = d_.substr(pos_, n);
        pos_ += (n + 3) / 4 * 4;
        return t;
    }
    void skip(std::size_t n) { pos_ += n; }

  private:
    std::string_view d_;
    bool msb_;
    std::size_t pos_ = 0;
};

soundsettings parsexsettings(std::string_view block) {
    soundsettings s;
    xsettingsreader r(block);
    if (!r.has(12)) return s;
    r.skip(8);
    for (std::uint32_t left = r.number(4); left > 0 && r.has(4); --left) {
        const std::uint32_t type = r.number(1);
        r.skip(1);
        const std::size_t namelength = r.number(2);
        if (!r.has((namelength + 3) / 4 * 4 + 8)) break;
        const std::string_view name = r.text(namelength);
        r.skip(4); // the serial of its last change
        if (type == 0) {
            const std::uint32_t value = r.number(4);
            if (name == "Net/EnableEventSounds") s.enabled = value != 0;
        } else if (type == 1) {
            const std::size_t length = r.number(4);
            if (!r.has(length)) break;
            const std::string_view value = r.text(length);
            if (name == "Net/SoundThemeName") s.theme = std::string(value);
        } else if (type == 2) {
            r.skip(8);
        } else {
            break;
        }
    }
    return s;
}

} // namespace

// XSETTINGS, as GNOME, Xfce, MATE and Cinnamon publish them; the defaults where there is none.
soundsettings desktopsoundsettings() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return {};
    auto atom = [c](std::string_view name) {
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(
                c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()),
                nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    };
    // The daemon owns the selection of the first screen, the one VELK's windows are on.
    const xcb_atom_t selection = atom("_XSETTINGS_S0"), settings = atom("_XSETTINGS_SETTINGS");
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr),
        &std::free);
    if (!owner || owner->owner == XCB_WINDOW_NONE || settings == XCB_ATOM_NONE) return {};
    // At most 256 KB: far more than any desktop publishes.
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
        xcb_get_property_reply(
            c, xcb_get_property(c, 0, owner->owner, settings, settings, 0, 64 * 1024), nullptr),
        &std::free);
    if (!property || property->format != 8) return {};
    return parsexsettings(
        std::string_view(static_cast<const char*>(xcb_get_property_value(property.get())),
                         static_cast<std::size_t>(xcb_get_property_value_length(property.get()))));
}

bool playeventsound(const char* id, const std::string& theme) {
    const char* themename = theme.empty() ? "freedesktop" : theme.c_str();
    // A context that lost its sound server (restarted, say) does not find it again: it gives way
    // to a fresh one.
    ca_context* kept = takecontext();
    for (bool fresh = !kept;; fresh = true) {
        ca_context* c = kept ? kept : newcontext();
        kept = nullptr;
        if (!c) return false;
        if (ca_context_play(c, 0, CA_PROP_EVENT_ID, id, CA_PROP_MEDIA_ROLE, "event",
                            CA_PROP_CANBERRA_XDG_THEME_NAME, themename, CA_PROP_EVENT_DESCRIPTION,
                            "Alarm beep", nullptr) == CA_SUCCESS) {
            putback(c);
            return true;
        }
        ca_context_destroy(c);
        if (fresh) return false;
    }
}

} // namespace velk
