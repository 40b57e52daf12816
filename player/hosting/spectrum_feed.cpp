#include "hosting/spectrum_feed.h"

#include <algorithm>
#include <numeric>

namespace {

constexpr int energyBytes = 288;
constexpr float energyScale = 1.0f / 14000.0f;
constexpr std::uint64_t digestOffset = 0xcbf29ce484222325ull;
constexpr std::uint64_t digestPrime = 0x100000001b3ull;

void digest(std::uint64_t& hash, const unsigned char (&rows)[visSpectrumRows][visSpectrumBins])
{
    for (const auto& row : rows) {
        for (const unsigned char byte : row) {
            hash = (hash ^ byte) * digestPrime;
        }
    }
}

float energyOf(const VisModule& module, int channel)
{
    const int row = channel < module.channels ? channel : 0;
    if (module.channels <= 0) {
        return 0.0f;
    }
    const unsigned char* bytes = module.spectrumData[row];
    return static_cast<float>(std::accumulate(bytes, bytes + energyBytes, 0)) * energyScale;
}

double median(std::vector<float> values)
{
    if (values.empty()) {
        return 0.0;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

} // namespace

void feedSpectrum(SpectrumFeed& feed, VisModule* module, std::uint64_t frame, double seconds,
                  bool silent)
{
    if (silent) {
        std::fill(&module->spectrumData[0][0], &module->spectrumData[0][0] + sizeof module->spectrumData, 0);
        std::fill(&module->waveformData[0][0], &module->waveformData[0][0] + sizeof module->waveformData, 0);
    } else if (feed.track != nullptr) {
        analyseFrame(*feed.analyser, *feed.track, seconds, feed.scale, module->spectrumData,
                     module->waveformData);
    } else if (feed.pattern) {
        fillSpectrumPattern(*feed.pattern, frame, module->spectrumData, module->waveformData);
    }
    for (int channel = 0; channel < 2; ++channel) {
        feed.energies[channel].push_back(energyOf(*module, channel));
    }
    ++feed.trackFrames;
    digest(feed.trackDigest, module->spectrumData);
    digest(feed.trackDigest, module->waveformData);
}

void startTrackDigest(SpectrumFeed& feed)
{
    feed.trackFrames = 0;
    feed.trackDigest = digestOffset;
}

JsonLine describeFeedEnergy(const SpectrumFeed& feed)
{
    JsonLine line("energy");
    line.text("scale", feed.scale == SpectrumScale::reference ? "reference" : "decibel")
        .number("frames", feed.energies[0].size())
        .decimal("median0", median(feed.energies[0]), 4)
        .decimal("median1", median(feed.energies[1]), 4);
    return line;
}
