#include "demo_track.h"
#include "fixed_point_synth.h"
#include "frame_analyser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int barFrames = 2 * 44100;

double rms(const std::vector<float>& samples, int firstBar, int bars) {
    double sum = 0.0;
    const auto first = static_cast<std::size_t>(firstBar) * barFrames;
    const auto count = static_cast<std::size_t>(bars) * barFrames;
    for (std::size_t i = first; i < first + count; ++i) sum += double{samples[i]} * samples[i];
    return std::sqrt(sum / static_cast<double>(count));
}

double peak(const std::vector<float>& samples) {
    float largest = 0.0f;
    for (float s : samples) largest = std::max(largest, std::fabs(s));
    return largest;
}

double db(double ratio) {
    return 20.0 * std::log10(ratio);
}

// One synthesis shared by the tests that only look at it.
const AudioTrack& demo() {
    static const AudioTrack track = synthesiseDemoTrack();
    return track;
}

// FNV-1a over the bits of every sample, left channel then right.
std::uint64_t fingerprint(const AudioTrack& track) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const auto* channel : {&track.left, &track.right})
        for (const float sample : *channel) {
            std::uint32_t bits;
            std::memcpy(&bits, &sample, sizeof bits);
            for (int i = 0; i < 4; ++i) hash = (hash ^ ((bits >> (8 * i)) & 0xFF)) * 1099511628211ull;
        }
    return hash;
}

TEST(DemoTrack, IsTheSameOnEveryRunAndInEveryBlockSize) {
    // The samples the track was first released with, made whole: videos of it stay the same.
    EXPECT_EQ(fingerprint(demo()), 0x408f05bc3b1798c0u);
    // Made as it plays, in blocks of any size and again after going back to the start.
    AudioStream stream = demoTrackStream();
    AudioTrack streamed{44100, 2, {}, {}};
    std::vector<float> left(997);
    std::vector<float> right(997);
    std::string error;
    for (int pass = 0; pass < 2; ++pass) {
        streamed.left.clear();
        streamed.right.clear();
        while (const std::size_t got = stream.read(left.data(), right.data(), left.size(), error).value_or(0)) {
            streamed.left.insert(streamed.left.end(), left.begin(), left.begin() + static_cast<std::ptrdiff_t>(got));
            streamed.right.insert(streamed.right.end(), right.begin(), right.begin() + static_cast<std::ptrdiff_t>(got));
        }
        EXPECT_EQ(fingerprint(streamed), fingerprint(demo())) << "pass " << pass;
        ASSERT_TRUE(stream.seek(0, error));
    }
}

TEST(DemoTrack, Is32SecondsOfStereoThatStartsAndEndsSilent) {
    EXPECT_EQ(demo().sampleRate, 44100);
    EXPECT_EQ(demo().channels, 2);
    EXPECT_EQ(frameCount(demo()), 16u * barFrames);
    EXPECT_EQ(demo().right.size(), demo().left.size());
    EXPECT_EQ(demo().left.front(), 0.0f);
    EXPECT_EQ(demo().right.front(), 0.0f);
    EXPECT_EQ(demo().left.back(), 0.0f);
    EXPECT_EQ(demo().right.back(), 0.0f);
}

TEST(DemoTrack, IsLoudWithoutClipping) {
    for (const auto* channel : {&demo().left, &demo().right}) {
        EXPECT_LT(peak(*channel), 0.95) << "no headroom left";
        EXPECT_GT(peak(*channel), 0.5) << "too quiet to reach the top of the spectrum";
    }
}

// The loudness the visualisation reads: the lower half of each channel's spectrum,
// averaged over the frames of `bars` bars from `firstBar`, as a share of its maximum.
std::array<double, 2> spectrumLoudness(int firstBar, int bars) {
    const auto analyser = makeFrameAnalyser();
    unsigned char spectrum[2][analysisBins];
    unsigned char waveform[2][analysisBins];
    std::array<double, 2> sums{};
    int frames = 0;
    for (double t = firstBar * 2.0 + 0.05; t < (firstBar + bars) * 2.0; t += 0.1, ++frames) {
        analyseFrame(*analyser, demo(), t, SpectrumScale::decibel, spectrum, waveform);
        for (int row = 0; row < 2; ++row)
            for (int k = 0; k < analysisBins / 2; ++k) sums[row] += spectrum[row][k];
    }
    for (double& sum : sums) sum /= frames * 255.0 * (analysisBins / 2);
    return sums;
}

TEST(DemoTrack, MovesBassAndPadBetweenChannelsAndHasAQuietBreakdown) {
    struct Lean {
        int firstBar;
        int bars;
        int louderRow;
    };
    for (const Lean lean : {Lean{0, 4, 0}, Lean{4, 4, 1}, Lean{10, 4, 0}, Lean{14, 2, 1}}) {
        const std::array<double, 2> loudness = spectrumLoudness(lean.firstBar, lean.bars);
        const double louder = loudness[static_cast<std::size_t>(lean.louderRow)];
        const double softer = loudness[static_cast<std::size_t>(1 - lean.louderRow)];
        EXPECT_GT(louder, 1.5 * softer)
            << "bars " << lean.firstBar + 1 << "-" << lean.firstBar + lean.bars
            << " lean to channel " << lean.louderRow;
    }
    const std::array<double, 2> breakdown = spectrumLoudness(8, 2);
    const std::array<double, 2> loud = spectrumLoudness(0, 4);
    EXPECT_LT(breakdown[0], 0.5 * loud[0]) << "the breakdown is quiet";
    EXPECT_GT(breakdown[0], 0.0) << "the breakdown is not silent";

    const double breakdownRms = std::max(rms(demo().left, 8, 2), rms(demo().right, 8, 2));
    EXPECT_GT(db(rms(demo().left, 0, 4) / breakdownRms), 10.0) << "the breakdown is quiet";
}

TEST(FixedPointSynth, SineFollowsTheTrueSineClosely) {
    EXPECT_EQ(sineQ15(0), 0);
    EXPECT_EQ(sineQ15(0x40000000u), 32767);
    EXPECT_EQ(sineQ15(0x80000000u), 0);
    EXPECT_EQ(sineQ15(0xC0000000u), -32767);
    int worst = 0;
    for (std::uint32_t phase = 0; phase < 0xFFFF0000u; phase += 0x10000u) {
        const double exact =
            32768.0 * std::sin(phase * (2.0 * 3.14159265358979323846 / 4294967296.0));
        worst = std::max(worst, static_cast<int>(std::lround(std::fabs(sineQ15(phase) - exact))));
    }
    EXPECT_LE(worst, 14) << "more than 4e-4 of full scale off the sine";
}

TEST(FixedPointSynth, CompileTimeConstantsMatchTheirDefinitions) {
    EXPECT_NEAR(noteHz(69), 440.0, 1e-9);
    EXPECT_NEAR(noteHz(81), 880.0, 1e-9);
    EXPECT_NEAR(noteHz(60), 261.6255653005986, 1e-9);
    EXPECT_EQ(phaseStep(44100.0 / 4), 0x40000000u);
    EXPECT_NEAR(static_cast<double>(decayQ30(0.1)) / unityQ30, std::exp(-1.0 / 4410.0), 1e-9);
    EXPECT_EQ(gainQ16(0.5), 32768);
}

}  // namespace
