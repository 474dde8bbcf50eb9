#pragma once
#include <cstdint>
#include <vector>

namespace velk {

inline constexpr int tonerate = 44100;

// Whether a frequency can be played at tonerate at all; others are kept as silence.
bool playablefrequency(int frequency);

// Mono 16-bit samples of a sine tone, faded in and out over a few milliseconds so that the start
// and the end do not click. Empty when the frequency cannot be played or ms <= 0.
std::vector<std::int16_t> tonesamples(int frequency, int ms, int rate = tonerate);

// Plays the tone through the sound server and returns when it has been heard; false when there is
// no server or device (nothing is played then, and no time is spent waiting).
bool playtone(int frequency, int ms);

} // namespace velk
