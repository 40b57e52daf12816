#include "frame_timing.h"
#include "audio_track.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

TEST(RecordClock, StartsAtTheStartAndAdvancesAWholeSecondEveryFpsFrames) {
    EXPECT_EQ(recordClockMs(0, 0, 30), 0u);
    EXPECT_EQ(recordClockMs(0, 30, 30), 1000u);
    EXPECT_EQ(recordClockMs(5000, 90, 30), 8000u);
    EXPECT_EQ(recordClockMs(0, 1, 1000), 1u);
    EXPECT_EQ(recordClockMs(0, 1, 1), 1000u);
}

TEST(RecordClock, RoundsEachFrameDownWithoutDrifting) {
    // 1000 / 30 = 33.33 ms: the fraction is kept across frames, not lost at each one.
    EXPECT_EQ(recordClockMs(0, 1, 30), 33u);
    EXPECT_EQ(recordClockMs(0, 2, 30), 66u);
    EXPECT_EQ(recordClockMs(0, 3, 30), 100u);
    EXPECT_EQ(recordClockMs(0, 29, 30), 966u);
    EXPECT_EQ(recordClockMs(0, 3000, 30), 100000u);
    for (std::uint64_t frame = 1; frame < 1000; ++frame)
        EXPECT_LE(recordClockMs(0, frame, 30) - recordClockMs(0, frame - 1, 30), 34u)
            << "frame " << frame;
}

TEST(RecordClock, WrapsLikeTheTickCount) {
    const std::uint32_t nearTheEnd = std::numeric_limits<std::uint32_t>::max() - 9;  // 2^32 - 10
    EXPECT_EQ(recordClockMs(nearTheEnd, 1, 100), 0u);
    EXPECT_EQ(recordClockMs(nearTheEnd, 2, 100), 10u);
    // Frame numbers beyond 32 bits still give the tick count modulo 2^32.
    const std::uint64_t frame = std::uint64_t{1} << 40;
    EXPECT_EQ(recordClockMs(0, frame, 1000), static_cast<std::uint32_t>(frame));
}

TEST(RecordFrameTime, IsTheFrameNumberOverTheRate) {
    EXPECT_DOUBLE_EQ(recordFrameSeconds(0, 30), 0.0);
    EXPECT_DOUBLE_EQ(recordFrameSeconds(45, 30), 1.5);
    EXPECT_DOUBLE_EQ(recordFrameSeconds(1, 25), 0.04);
}

TEST(RecordFrameCount, CoversTheWholeTrackRoundingUp) {
    EXPECT_EQ(recordFrameCount(3 * 44100, 44100, 30), 90u);
    EXPECT_EQ(recordFrameCount(3 * 44100 + 1, 44100, 30), 91u);
    EXPECT_EQ(recordFrameCount(1470, 44100, 30), 1u) << "exactly one frame's worth";
    EXPECT_EQ(recordFrameCount(1471, 44100, 30), 2u);
    EXPECT_EQ(recordFrameCount(1, 44100, 30), 1u) << "a single sample still shows";
    EXPECT_EQ(recordFrameCount(0, 44100, 30), 0u);
    EXPECT_EQ(recordFrameCount(32 * 44100, 44100, 30), 960u) << "the demo track";
    EXPECT_EQ(recordFrameCount(48000, 48000, 24), 24u);
}

TEST(RecordFrameCount, DoesNotOverflowAtTheLimits) {
    const std::uint64_t longest = std::uint64_t{1} << 32;  // 8-bit mono filling a 4 GiB WAV
    EXPECT_EQ(recordFrameCount(longest, 1, maxFramesPerSecond), longest * maxFramesPerSecond);
    EXPECT_EQ(recordFrameCount(longest, 768000, 30), (longest * 30 + 767999) / 768000);
}

TEST(LiveAnalysisTime, LooksAheadByThePluginsLatency) {
    EXPECT_DOUBLE_EQ(liveAnalysisSeconds(2.0, 25), 2.025);
    EXPECT_DOUBLE_EQ(liveAnalysisSeconds(0.0, 0), 0.0);
}

TEST(LiveAnalysisTime, BoundsALatencyOutOfReason) {
    EXPECT_DOUBLE_EQ(liveAnalysisSeconds(2.0, -500), 2.0);
    EXPECT_DOUBLE_EQ(liveAnalysisSeconds(2.0, 1'000'000), 2.0 + maxLatencyMs / 1000.0);
}

}  // namespace
