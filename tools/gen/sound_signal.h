// The known sound of the sample recordings: a steady sine, so a test can check decoded or
// played-back sound by its level and frequency. The encoder's start-up delay shifts the phase,
// so checks should use level (RMS = amplitude / sqrt 2) and frequency (zero crossings), not
// sample-exact values.
#pragma once

#include <cmath>
#include <cstdint>

namespace moksel::gen {

struct SoundSignal {
    int sampleRate = 22050;     // Hz
    int channels = 1;           // 1 mono (default) or 2 stereo, same signal on both channels
    double frequencyHz = 1000;  // sine frequency
    double amplitude = 0.25;    // peak, full scale = 1.0 (about -12 dBFS)
};

// Sample `index` (per channel, from the start of the recording) of the signal, full scale 1.0.
inline float soundSampleAt(const SoundSignal& s, int64_t index) {
    constexpr double kTwoPi = 6.283185307179586;
    const double cycles = std::fmod(static_cast<double>(index) * s.frequencyHz / s.sampleRate, 1.0);
    return static_cast<float>(s.amplitude * std::sin(kTwoPi * cycles));
}

}  // namespace moksel::gen
