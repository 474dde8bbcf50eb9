#pragma once
#include <string>
#include <string_view>

namespace velk {

// Plays the desktop's event sound of that id (e.g. "bell") from the user's sound theme, through
// the sound server as an event sound, so that the volume and mute of event sounds apply. Returns
// at once while the sound plays; false when it cannot be played (no theme has it, no sound
// server or device). True without a sound when the user turned event sounds off.
bool playeventsound(const char* id);

// The sound settings of the desktop: the theme's name ("" for the default) and whether event
// sounds are on.
struct soundsettings {
    std::string theme;
    bool enabled = true;
};
// As the desktop's settings daemon publishes them to X clients (XSETTINGS); the defaults where
// there is none.
soundsettings desktopsoundsettings();
// Reads them from the settings block that daemon publishes.
soundsettings parsexsettings(std::string_view block);

} // namespace velk
