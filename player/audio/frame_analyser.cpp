#include "frame_analyser.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr double twoPi = 6.283185307179586;

// 2 / (sum of the periodic Hann window) = 2 / (N / 2): full-scale sine -> magnitude 1.
constexpr float magnitudeScale = 2.0f / (analysisFftLength / 2.0f);
constexpr float bytesPerDb = 255.0f / (spectrumCeilingDb - spectrumFloorDb);

// Below this squared FFT magnitude the level is under the floor: byte 0 without a log.
const float floorPower =
    std::pow(10.0f, spectrumFloorDb / 10.0f) / (magnitudeScale * magnitudeScale);

// Returns the first sample index of a `length`-sample span centred on the frame's time,
// or false when the time is not a number or so far out that no sample can fall inside a
// track of `frames` frames.
bool spanStart(std::uint64_t frames, int sampleRate, double timeSeconds, int length,
               std::int64_t& first) {
    const double centre = std::floor(timeSeconds * sampleRate);
    const double limit = static_cast<double>(frames) + length;
    if (!(centre > -limit && centre < limit)) return false;
    first = static_cast<std::int64_t>(centre) - length / 2;
    return true;
}

// Copies `length` samples starting at `first` into `out`, zeros where the span leaves
// the track.
void copySpan(const std::vector<float>& samples, std::int64_t first, int length, float* out) {
    const auto total = static_cast<std::int64_t>(samples.size());
    for (int i = 0; i < length; ++i) {
        const std::int64_t index = first + i;
        out[i] = index >= 0 && index < total ? samples[static_cast<std::size_t>(index)] : 0.0f;
    }
}

// The decibel row of the samples already in analyser.frame.
void spectrumRow(FrameAnalyser& analyser, unsigned char* row) {
    for (int i = 0; i < analysisFftLength; ++i) analyser.frame[i] *= analyser.window[i];
    kiss_fftr(analyser.fft.get(), analyser.frame.data(), analyser.bins.data());
    for (int k = 0; k < analysisBins; ++k) {
        const kiss_fft_cpx bin = analyser.bins[k];
        const float power = bin.r * bin.r + bin.i * bin.i;
        if (!(power >= floorPower)) {
            row[k] = 0;
            continue;
        }
        const float db = 10.0f * std::log10(power * (magnitudeScale * magnitudeScale));
        const float level = std::round((db - spectrumFloorDb) * bytesPerDb);
        row[k] = static_cast<unsigned char>(std::min(level, 255.0f));
    }
}

void waveformRow(const float* samples, unsigned char* row) {
    for (int i = 0; i < analysisBins; ++i) {
        const float level = std::clamp(std::round(samples[i] * 127.0f), -127.0f, 127.0f);
        row[i] = static_cast<unsigned char>(static_cast<std::int8_t>(level));
    }
}

// The analysis of one frame, whichever way the samples are held: `copy(row, first, length,
// out)` puts the samples of channel `row` from `first` on into `out`, zero outside the track.
template <typename CopySpan>
void analyseSpans(FrameAnalyser& analyser, std::uint64_t frames, int sampleRate, int channels,
                  double timeSeconds, SpectrumScale scale, unsigned char spectrum[2][analysisBins],
                  unsigned char waveform[2][analysisBins], CopySpan copy) {
    const int spectrumLength = scale == SpectrumScale::reference ? referenceSamples : analysisFftLength;
    std::int64_t spectrumFirst = 0;
    std::int64_t waveformFirst = 0;
    const bool spectrumInside = spanStart(frames, sampleRate, timeSeconds, spectrumLength, spectrumFirst);
    const bool waveformInside = spanStart(frames, sampleRate, timeSeconds, analysisBins, waveformFirst);
    const int rows = channels >= 2 ? 2 : 1;
    for (int row = 0; row < rows; ++row) {
        if (!spectrumInside) {
            std::memset(spectrum[row], 0, analysisBins);
        } else {
            copy(row, spectrumFirst, spectrumLength, analyser.frame.data());
            if (scale == SpectrumScale::reference) {
                referenceSpectrumRow(analyser.reference, analyser.frame.data(), spectrum[row]);
            } else {
                spectrumRow(analyser, spectrum[row]);
            }
        }
        if (!waveformInside) {
            std::memset(waveform[row], 0, analysisBins);
        } else {
            copy(row, waveformFirst, analysisBins, analyser.frame.data());
            waveformRow(analyser.frame.data(), waveform[row]);
        }
    }
    if (rows == 1) {
        std::memcpy(spectrum[1], spectrum[0], analysisBins);
        std::memcpy(waveform[1], waveform[0], analysisBins);
    }
}

}  // namespace

std::unique_ptr<FrameAnalyser> makeFrameAnalyser() {
    auto analyser = std::make_unique<FrameAnalyser>();
    analyser->fft = makeFftState(analysisFftLength);
    prepareReferenceSpectrum(analyser->reference);
    for (int i = 0; i < analysisFftLength; ++i)
        analyser->window[i] =
            static_cast<float>(0.5 - 0.5 * std::cos(twoPi * i / analysisFftLength));
    return analyser;
}

void analyseFrame(FrameAnalyser& analyser, const AudioTrack& track, double timeSeconds,
                  SpectrumScale scale, unsigned char spectrum[2][analysisBins],
                  unsigned char waveform[2][analysisBins]) {
    analyseSpans(analyser, frameCount(track), track.sampleRate, track.channels, timeSeconds, scale,
                 spectrum, waveform, [&](int row, std::int64_t first, int length, float* out) {
                     copySpan(row == 0 ? track.left : track.right, first, length, out);
                 });
}

void analyseFrame(FrameAnalyser& analyser, TrackWindow& track, double timeSeconds,
                  SpectrumScale scale, unsigned char spectrum[2][analysisBins],
                  unsigned char waveform[2][analysisBins]) {
    // Until the end is reached a track's length is not known: it is taken as long enough
    // for any time, and what lies past the end reads as zeros all the same.
    const std::uint64_t frames = trackLength(track).value_or(std::uint64_t{1} << 62);
    analyseSpans(analyser, frames, track.stream.sampleRate, track.stream.channels, timeSeconds,
                 scale, spectrum, waveform, [&](int row, std::int64_t first, int length, float* out) {
                     copyFrames(track, row, first, static_cast<std::size_t>(length), out);
                 });
}
