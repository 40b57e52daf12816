#include "hosting/spectrum_feed.h"

#include <algorithm>
#include <numeric>

namespace {

constexpr int energyBytes = 288;
constexpr float energyScale = 1.0f / 14000.0f;

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

void feedSpectrum(SpectrumFeed& feed, VisModule* module, std::uint64_t frame, double seconds)
{
    if (feed.track != nullptr) {
        analyseFrame(*feed.analyser, *feed.track, seconds, feed.scale, module->spectrumData,
                     module->waveformData);
    } else if (feed.pattern) {
        fillSpectrumPattern(*feed.pattern, frame, module->spectrumData, module->waveformData);
    }
    for (int channel = 0; channel < 2; ++channel) {
        feed.energies[channel].push_back(energyOf(*module, channel));
    }
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
