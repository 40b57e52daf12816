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
// or false when the time is not a number or so far out that no sample can fall inside.
bool spanStart(const AudioTrack& track, double timeSeconds, int length, std::int64_t& first) {
    const double centre = std::floor(timeSeconds * track.sampleRate);
    const double limit = static_cast<double>(frameCount(track)) + length;
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

void spectrumRow(FrameAnalyser& analyser, const std::vector<float>& samples, bool inside,
                 std::int64_t first, unsigned char* row) {
    if (!inside) {
        std::memset(row, 0, analysisBins);
        return;
    }
    copySpan(samples, first, analysisFftLength, analyser.frame.data());
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

void waveformRow(const std::vector<float>& samples, bool inside, std::int64_t first, float* scratch,
                 unsigned char* row) {
    if (!inside) {
        std::memset(row, 0, analysisBins);
        return;
    }
    copySpan(samples, first, analysisBins, scratch);
    for (int i = 0; i < analysisBins; ++i) {
        const float level = std::clamp(std::round(scratch[i] * 127.0f), -127.0f, 127.0f);
        row[i] = static_cast<unsigned char>(static_cast<std::int8_t>(level));
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
    const int spectrumLength = scale == SpectrumScale::reference ? referenceSamples : analysisFftLength;
    std::int64_t spectrumFirst = 0;
    std::int64_t waveformFirst = 0;
    const bool spectrumInside = spanStart(track, timeSeconds, spectrumLength, spectrumFirst);
    const bool waveformInside = spanStart(track, timeSeconds, analysisBins, waveformFirst);
    const int rows = track.channels >= 2 ? 2 : 1;
    for (int row = 0; row < rows; ++row) {
        const std::vector<float>& samples = row == 0 ? track.left : track.right;
        if (scale == SpectrumScale::reference && spectrumInside) {
            referenceSpectrumRow(analyser.reference, samples, spectrumFirst, spectrum[row]);
        } else {
            spectrumRow(analyser, samples, spectrumInside, spectrumFirst, spectrum[row]);
        }
        waveformRow(samples, waveformInside, waveformFirst, analyser.frame.data(), waveform[row]);
    }
    if (rows == 1) {
        std::memcpy(spectrum[1], spectrum[0], analysisBins);
        std::memcpy(waveform[1], waveform[0], analysisBins);
    }
}
