#pragma once
#include <string>

namespace velk {

// The sound settings of the desktop: the theme's name ("" for the default) and whether event
// sounds are on.
struct soundsettings {
    std::string theme;
    bool enabled = true;
};

// As the desktop's settings daemon publishes them to X clients; read on the GUI thread, at every
// sound, so that a change counts at once.
soundsettings desktopsoundsettings();

// Plays the desktop's event sound of that id (e.g. "bell") from the sound theme, through the
// sound server as an event sound, so that the volume and mute of event sounds apply. Returns
// while the sound plays; false when it cannot be played (no theme has it, no sound server or
// device). May block as long as the sound server keeps it waiting, so it runs off the GUI
// thread, one sound at a time.
bool playeventsound(const char* id, const std::string& theme);

} // namespace velk
