#include "playback_pcm.h"
#include "pcm_samples.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace {

AudioTrack track(int channels, std::vector<float> left, std::vector<float> right) {
    AudioTrack t;
    t.sampleRate = 44100;
    t.channels = channels;
    t.left = std::move(left);
    t.right = std::move(right);
    return t;
}

std::vector<std::int16_t> interleaved(const AudioTrack& t, std::size_t first, std::size_t frames) {
    std::vector<std::int16_t> out(2 * frames, 0x5A5A);
    interleavePcm16Stereo(t, first, frames, out.data());
    return out;
}

TEST(PlaybackPcm, InterleavesChannelZeroThenChannelOne) {
    const AudioTrack stereo = track(2, {0.5f, -0.25f, 0.0f}, {-0.5f, 0.25f, 1.0f / 32768});
    EXPECT_EQ(interleaved(stereo, 0, 3),
              (std::vector<std::int16_t>{16384, -16384, -8192, 8192, 0, 1}));
    EXPECT_EQ(interleaved(stereo, 1, 2), (std::vector<std::int16_t>{-8192, 8192, 0, 1}));
}

TEST(PlaybackPcm, PlaysMonoOnBothSides) {
    const AudioTrack mono = track(1, {0.5f, -1.0f}, {});
    EXPECT_EQ(interleaved(mono, 0, 2), (std::vector<std::int16_t>{16384, 16384, -32768, -32768}));
}

TEST(PlaybackPcm, IsSilentPastTheEndOfTheTrack) {
    const AudioTrack stereo = track(2, {0.5f, 0.5f}, {0.5f, 0.5f});
    EXPECT_EQ(interleaved(stereo, 1, 3), (std::vector<std::int16_t>{16384, 16384, 0, 0, 0, 0}));
    EXPECT_EQ(interleaved(stereo, 5, 1), (std::vector<std::int16_t>{0, 0}));
}

TEST(PlaybackPcm, ClipsFullScaleAndSurvivesARoundTripFromSixteenBits) {
    const AudioTrack loud = track(2, {1.0f, 2.0f}, {-1.0f, -2.0f});
    EXPECT_EQ(interleaved(loud, 0, 2), (std::vector<std::int16_t>{32767, -32768, 32767, -32768}));
    for (int value : {-32768, -12345, -1, 0, 1, 23456, 32767}) {
        const auto word = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(word & 0xFF),
                                       static_cast<std::uint8_t>(word >> 8)};
        const float sample = pcmS16ToFloat(bytes);
        EXPECT_EQ(interleaved(track(1, {sample}, {}), 0, 1)[0], value);
    }
}

}  // namespace
