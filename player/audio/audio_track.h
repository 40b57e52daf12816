#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Decoded audio held whole, as tools and tests hold a short track (the player itself
// decodes as it plays, audio_stream.h): one finite float per sample in -1..1, channel 0
// in `left`, channel 1 in `right`. Sources with more than two channels keep their first
// two; a mono source has `channels` 1 and an empty `right`.
struct AudioTrack {
    int sampleRate = 0;
    int channels = 0;
    std::vector<float> left;
    std::vector<float> right;
};

inline std::size_t frameCount(const AudioTrack& track) {
    return track.left.size();
}

// Rates outside this range are refused by every reader: 0 is malformed, and the upper
// bound is the highest rate in common use.
constexpr std::uint32_t minSampleRate = 1;
constexpr std::uint32_t maxSampleRate = 768000;

