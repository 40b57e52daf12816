#pragma once

#include "audio_track.h"
#include "fft_state.h"
#include "reference_spectrum.h"
#include "track_window.h"

#include <array>
#include <memory>

// What the player hands the visualisation each frame, computed from the track around the
// frame's time t (sample c = floor(t x sampleRate)):
//
// Spectrum: 576 bytes per channel, on one of two scales.
// - Reference (the default): the media player's own bytes; see reference_spectrum.h.
// - Decibel, for livelier videos: the 1152 samples c-576 .. c+575 (zero outside the
//   track) are weighted by a periodic Hann window and transformed by a 1152-point real
//   FFT; byte k is bin k, the frequency k x sampleRate / 1152 (0 Hz up to just below half
//   the sample rate). The bin's magnitude is scaled by 2 / (sum of the window), so that a
//   full-scale sine centred on a bin reads 0 dB there, and the level in dB is mapped
//   linearly from -70 dB .. 0 dB onto 0 .. 255, rounded, clipped at both ends:
//       byte = clamp(round((20 log10(2 |X[k]| / 576) + 70) x 255 / 70), 0, 255)
//   so each byte step is 0.275 dB, silence and anything below -70 dB read 0, and only
//   levels at or above full scale read 255.
//
// Waveform: 576 bytes per channel, the samples c-288 .. c+287 (zero outside the track),
// each as a signed 8-bit value round(127 x sample), stored in two's complement.
//
// Row 0 is channel 0 (left), row 1 channel 1 (right); a mono track fills both rows with
// its one channel.

enum class SpectrumScale { reference, decibel };

constexpr int analysisBins = 576;
constexpr int analysisFftLength = 2 * analysisBins;
constexpr float spectrumFloorDb = -70.0f;
constexpr float spectrumCeilingDb = 0.0f;

// Made once and reused for every frame, so that a frame's analysis allocates nothing.
struct FrameAnalyser {
    FftState fft;
    std::array<float, analysisFftLength> window;
    std::array<float, analysisFftLength> frame;
    std::array<kiss_fft_cpx, analysisBins + 1> bins;
    ReferenceSpectrum reference;
};

// Throws std::bad_alloc when the FFT state cannot be allocated.
std::unique_ptr<FrameAnalyser> makeFrameAnalyser();

void analyseFrame(FrameAnalyser& analyser, const AudioTrack& track, double timeSeconds,
                  SpectrumScale scale, unsigned char spectrum[2][analysisBins],
                  unsigned char waveform[2][analysisBins]);

// The same bytes from a track being decoded as it plays, read through its window.
void analyseFrame(FrameAnalyser& analyser, TrackWindow& track, double timeSeconds,
                  SpectrumScale scale, unsigned char spectrum[2][analysisBins],
                  unsigned char waveform[2][analysisBins]);
