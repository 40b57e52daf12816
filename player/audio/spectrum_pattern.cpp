#include "spectrum_pattern.h"

#include <cstring>

namespace {

constexpr std::uint64_t randomPatternSeed = 0x7A656C5669735EEDull;

// SplitMix64: a full-period generator whose every output is well mixed, so nearby frame
// numbers give unrelated bytes.
std::uint64_t splitMix64(std::uint64_t& state) {
    state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void fillRandom(std::uint64_t& state, unsigned char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; i += 8) {
        std::uint64_t word = splitMix64(state);
        for (std::size_t j = i; j < i + 8 && j < count; ++j, word >>= 8)
            bytes[j] = static_cast<unsigned char>(word);
    }
}

}  // namespace

std::optional<SpectrumPattern> parseSpectrumPattern(std::string_view name) {
    if (name == "silence") return SpectrumPattern::silence;
    if (name == "left") return SpectrumPattern::left;
    if (name == "right") return SpectrumPattern::right;
    if (name == "both") return SpectrumPattern::both;
    if (name == "random") return SpectrumPattern::random;
    return std::nullopt;
}

void fillSpectrumPattern(SpectrumPattern pattern, std::uint64_t frame,
                         unsigned char spectrum[2][analysisBins],
                         unsigned char waveform[2][analysisBins]) {
    if (pattern == SpectrumPattern::random) {
        std::uint64_t state = randomPatternSeed ^ (frame * 0xD1B54A32D192ED03ull);
        for (int row = 0; row < 2; ++row) fillRandom(state, spectrum[row], analysisBins);
        for (int row = 0; row < 2; ++row) fillRandom(state, waveform[row], analysisBins);
        return;
    }
    const bool leftLoud = pattern == SpectrumPattern::left || pattern == SpectrumPattern::both;
    const bool rightLoud = pattern == SpectrumPattern::right || pattern == SpectrumPattern::both;
    std::memset(spectrum[0], leftLoud ? 255 : 0, analysisBins);
    std::memset(spectrum[1], rightLoud ? 255 : 0, analysisBins);
    std::memset(waveform[0], 0, analysisBins);
    std::memset(waveform[1], 0, analysisBins);
}
