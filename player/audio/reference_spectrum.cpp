#include "reference_spectrum.h"

#include "pcm_samples.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double twoPi = 6.283185307179586;
constexpr float dcFilterPole = 0.99f;
constexpr float magnitudeDivisor = 16.0f;
constexpr float byteCeiling = 255.0f;

// The high byte of the sample as 16-bit PCM: what the media player analyses.
float highByte(float sample)
{
    return static_cast<float>(floatToPcmS16(sample) >> 8);
}

unsigned char roundedByte(float value)
{
    return static_cast<unsigned char>(std::lround(value));
}

} // namespace

void prepareReferenceSpectrum(ReferenceSpectrum& analysis)
{
    analysis.fft = makeFftState(referenceSamples);
    for (int n = 0; n < referenceSamples; ++n)
        analysis.window[n] =
            static_cast<float>(0.5 - 0.5 * std::cos(twoPi * n / (referenceSamples - 1)));
}

void referenceSpectrumRow(ReferenceSpectrum& analysis, const float* samples, unsigned char* row)
{
    float previousIn = 0.0f;
    float previousOut = 0.0f;
    for (int n = 0; n < referenceSamples; ++n) {
        const float in = highByte(samples[n]);
        const float out = in - previousIn + dcFilterPole * previousOut;
        previousIn = in;
        previousOut = out;
        analysis.frame[n] = out * analysis.window[n];
    }
    kiss_fftr(analysis.fft.get(), analysis.frame.data(), analysis.bins.data());

    float previous = 0.0f;
    for (int k = 0; k < referenceBins; ++k) {
        const kiss_fft_cpx bin = analysis.bins[k];
        const float value = std::min(std::hypot(bin.r, bin.i) / magnitudeDivisor, byteCeiling);
        row[2 * k] = roundedByte((value + previous) / 2.0f);
        row[2 * k + 1] = roundedByte(value);
        previous = value;
    }
    for (int i = 2 * referenceBins; i < referenceRowBytes; ++i) row[i] = row[i - 1] / 2;
}
