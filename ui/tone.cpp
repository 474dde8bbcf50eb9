#include "ui/tone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <pulse/error.h>
#include <pulse/simple.h>

namespace velk {

bool playablefrequency(int frequency) {
    return frequency >= 1 && frequency < tonerate / 2;
}

std::vector<std::int16_t> tonesamples(int frequency, int ms, int rate) {
    if (ms <= 0 || !playablefrequency(frequency) || frequency >= rate / 2) return {};
    const auto count = static_cast<std::size_t>(static_cast<long long>(rate) * ms / 1000);
    // 5 ms ramps, shorter for very short tones so that some full-volume sound remains.
    const std::size_t ramp = std::min<std::size_t>(rate / 200, count / 4);
    const double amplitude = 0.5 * 32767;
    const double step = 2 * std::numbers::pi * frequency / rate;
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        double gain = 1;
        if (ramp > 0 && i < ramp) gain = static_cast<double>(i) / ramp;
        if (ramp > 0 && count - 1 - i < ramp) gain = static_cast<double>(count - 1 - i) / ramp;
        samples[i] = static_cast<std::int16_t>(std::lround(amplitude * gain * std::sin(step * i)));
    }
    return samples;
}

bool playtone(int frequency, int ms) {
    const auto samples = tonesamples(frequency, ms);
    if (samples.empty()) return false;
    const pa_sample_spec spec{PA_SAMPLE_S16LE, tonerate, 1};
    // A short server buffer, so that draining ends close to the tone's own end.
    const auto bytes = static_cast<std::uint32_t>(pa_usec_to_bytes(100 * 1000, &spec));
    const pa_buffer_attr buffer{static_cast<std::uint32_t>(-1), bytes,
                                static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(-1),
                                static_cast<std::uint32_t>(-1)};
    int error = 0;
    pa_simple* stream = pa_simple_new(nullptr, "VELK", PA_STREAM_PLAYBACK, nullptr, "tone", &spec,
                                      nullptr, &buffer, &error);
    if (!stream) return false;
    const bool played =
        pa_simple_write(stream, samples.data(), samples.size() * sizeof samples[0], &error) >= 0 &&
        pa_simple_drain(stream, &error) >= 0;
    pa_simple_free(stream);
    return played;
}

} // namespace velk
