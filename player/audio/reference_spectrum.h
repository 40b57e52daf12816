#pragma once

#include "fft_state.h"

#include <array>
#include <cstdint>
#include <vector>

// The spectrum the media player itself hands its visualisations, byte for byte as its
// users see them. Per channel row, from the 512 samples c-256 .. c+255 around the frame's
// sample c (zero outside the track):
//   1. each sample as 16-bit PCM reduced to its high byte (arithmetic shift by 8);
//   2. a DC filter, y[n] = x[n] - x[n-1] + 0.99 y[n-1], started afresh each frame from
//      x[-1] = y[-1] = 0, so that a frame depends on its own samples alone;
//   3. a Hann window over the 512 samples, w[n] = 0.5 - 0.5 cos(2 pi n / 511);
//   4. an unnormalised 512-point real FFT; for bins k = 0 .. 255, v_k = min(|X_k| / 16, 255);
//   5. bytes 2k and 2k+1 get round((v_k + v_(k-1)) / 2) and round(v_k), with v_(-1) = 0;
//      bytes 512 .. 575 each hold half the byte before them.
// Music mastered at today's levels reads mostly in the low tens: the visualisation moves
// far less than under the player's decibel mapping, as it does in the media player.

constexpr int referenceSamples = 512;
constexpr int referenceBins = referenceSamples / 2;

constexpr int referenceRowBytes = 576;

struct ReferenceSpectrum {
    FftState fft;
    std::array<float, referenceSamples> window;
    std::array<float, referenceSamples> frame;
    std::array<kiss_fft_cpx, referenceBins + 1> bins;
};

// Throws std::bad_alloc when the FFT state cannot be allocated.
void prepareReferenceSpectrum(ReferenceSpectrum& analysis);

// Fills the 576 bytes of `row` from the 512 `samples` of the span (one channel, -1 .. 1,
// zeros where the span leaves the track).
void referenceSpectrumRow(ReferenceSpectrum& analysis, const float* samples, unsigned char* row);
