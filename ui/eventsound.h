#pragma once

namespace velk {

// Plays the desktop's event sound of that id (e.g. "bell") from the user's sound theme, through
// the sound server as an event sound, so that the volume and mute of event sounds apply. Returns
// at once while the sound plays; false when it cannot be played (no theme has it, no sound
// server or device). True without a sound when the user turned event sounds off.
bool playeventsound(const char* id);

} // namespace velk
