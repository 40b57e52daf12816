#pragma once

#include <cstdint>

// Integer building blocks of the demo synthesiser. Every step that shapes a sample is
// integer arithmetic, and the real-valued design constants (pitches, time constants,
// filter cut-offs) become integers at compile time, so every build of the player, 32- or
// 64-bit, x87 or SSE, renders the same samples.
//
// Formats: audio values are Q15 (32768 is full scale), gains Q16 (65536 is 1.0),
// envelope levels and decay factors Q30, oscillator phases a full turn per 2^32.

constexpr int synthSampleRate = 44100;

constexpr std::int32_t unityQ16 = 1 << 16;
constexpr std::int64_t unityQ30 = std::int64_t{1} << 30;

namespace synthdetail {

constexpr double pi = 3.14159265358979323846;
constexpr double ln2 = 0.69314718055994530942;

consteval double expSeries(double x) {
    int halvings = 0;
    while (x > 0.25 || x < -0.25) {
        x /= 2.0;
        ++halvings;
    }
    double term = 1.0;
    double sum = 1.0;
    for (int k = 1; k < 30; ++k) {
        term *= x / k;
        sum += term;
    }
    for (int i = 0; i < halvings; ++i) sum *= sum;
    return sum;
}

consteval std::int64_t roundToInt(double x) {
    return x < 0 ? -static_cast<std::int64_t>(-x + 0.5) : static_cast<std::int64_t>(x + 0.5);
}

}  // namespace synthdetail

// Equal temperament, A4 (MIDI note 69) at 440 Hz.
consteval double noteHz(int midiNote) {
    return 440.0 * synthdetail::expSeries((midiNote - 69) / 12.0 * synthdetail::ln2);
}

consteval std::uint32_t phaseStep(double hz) {
    return static_cast<std::uint32_t>(synthdetail::roundToInt(hz / synthSampleRate * 4294967296.0));
}

// Per-sample factor of an exponential decay with the given time constant.
consteval std::int64_t decayQ30(double timeConstantSeconds) {
    return synthdetail::roundToInt(
        synthdetail::expSeries(-1.0 / (timeConstantSeconds * synthSampleRate)) * unityQ30);
}

// Coefficient of a one-pole low-pass with the given cut-off.
consteval std::int32_t lowpassQ16(double cutoffHz) {
    return static_cast<std::int32_t>(synthdetail::roundToInt(
        (1.0 - synthdetail::expSeries(-2.0 * synthdetail::pi * cutoffHz / synthSampleRate)) *
        unityQ16));
}

consteval std::int32_t gainQ16(double gain) {
    return static_cast<std::int32_t>(synthdetail::roundToInt(gain * unityQ16));
}

// sin(pi/2 t) on a quarter turn as a t - b t^3 + c t^5, with a = pi/2 and b, c chosen so
// that the curve reaches exactly 1 with zero slope at the quarter turn: the wave stays
// smooth across quadrants, and its error (under 4e-4) is far below anything audible here.
inline std::int32_t sineQ15(std::uint32_t phase) {
    constexpr std::int64_t a = synthdetail::roundToInt(synthdetail::pi / 2 * 65536);
    constexpr std::int64_t b = synthdetail::roundToInt((synthdetail::pi - 2.5) * 65536);
    constexpr std::int64_t c = synthdetail::roundToInt((synthdetail::pi / 2 - 1.5) * 65536);
    const std::uint32_t quadrant = phase >> 30;
    std::int64_t t = (phase >> 14) & 0xFFFF;
    if (quadrant & 1u) t = 65536 - t;
    const std::int64_t t2 = (t * t) >> 16;
    const std::int64_t poly = a - (((b - ((c * t2) >> 16)) * t2) >> 16);
    std::int64_t value = (poly * t) >> 17;
    if (value > 32767) value = 32767;
    return static_cast<std::int32_t>(quadrant & 2u ? -value : value);
}

inline std::int32_t sawQ15(std::uint32_t phase) {
    return static_cast<std::int32_t>(phase >> 16) - 32768;
}

// The classic 32-bit linear congruential generator (Numerical Recipes constants), seeded
// by its owner, so the noise is the same on every run.
struct NoiseLcg {
    std::uint32_t state;
};

inline std::int32_t nextNoiseQ15(NoiseLcg& noise) {
    noise.state = noise.state * 1664525u + 1013904223u;
    return static_cast<std::int32_t>(noise.state >> 16) - 32768;
}

struct OnePole {
    std::int32_t y = 0;
};

inline std::int32_t lowpass(OnePole& filter, std::int32_t x, std::int32_t coefficientQ16) {
    filter.y += static_cast<std::int32_t>((std::int64_t{x - filter.y} * coefficientQ16) >> 16);
    return filter.y;
}

inline std::int32_t scaleQ16(std::int32_t value, std::int32_t gain) {
    return static_cast<std::int32_t>((std::int64_t{value} * gain) >> 16);
}

inline std::int32_t scaleQ30(std::int32_t value, std::int64_t level) {
    return static_cast<std::int32_t>((value * level) >> 30);
}

inline std::int64_t decayStep(std::int64_t level, std::int64_t factorQ30) {
    return (level * factorQ30) >> 30;
}
