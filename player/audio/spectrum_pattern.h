#pragma once

#include "frame_analyser.h"

#include <cstdint>
#include <optional>
#include <string_view>

// Fixed spectra that the player can show instead of music, to see how a visualisation
// answers each channel on its own and to drive it with arbitrary bytes:
//   silence  every byte 0
//   left     row 0 (channel 0) all 255, row 1 all 0
//   right    row 1 (channel 1) all 255, row 0 all 0
//   both     both rows all 255
//   random   pseudo-random bytes in both rows, from a fixed seed and the frame number, so
//            frame k has the same bytes on every run
// The waveform rows are 0 for every pattern but random, which fills them as well.
enum class SpectrumPattern { silence, left, right, both, random };

// Channels a pattern presents to the visualisation.
constexpr int patternChannels = 2;

std::optional<SpectrumPattern> parseSpectrumPattern(std::string_view name);

void fillSpectrumPattern(SpectrumPattern pattern, std::uint64_t frame,
                         unsigned char spectrum[2][analysisBins],
                         unsigned char waveform[2][analysisBins]);
