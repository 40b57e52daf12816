#include "frame_analyser.h"
#include "fixed_point_synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numeric>

namespace {

constexpr int rate = 44100;
constexpr double pi = 3.14159265358979323846;

using Signal = std::function<double(int)>;

AudioTrack stereoTrack(int frames, const Signal& left, const Signal& right) {
    AudioTrack track;
    track.sampleRate = rate;
    track.channels = 2;
    for (int n = 0; n < frames; ++n) {
        track.left.push_back(static_cast<float>(left(n)));
        track.right.push_back(static_cast<float>(right(n)));
    }
    return track;
}

// A sine of `bin` cycles per analysis window (fractional bins fall between two).
Signal tone(double bin, double amplitude) {
    return [=](int n) { return amplitude * std::sin(2.0 * pi * bin * n / analysisFftLength); };
}

Signal silence() {
    return [](int) { return 0.0; };
}

struct Frame {
    unsigned char spectrum[2][analysisBins];
    unsigned char waveform[2][analysisBins];
};

Frame analyse(const AudioTrack& track, double seconds,
              SpectrumScale scale = SpectrumScale::decibel) {
    static const std::unique_ptr<FrameAnalyser> analyser = makeFrameAnalyser();
    Frame frame;
    std::memset(&frame, 0xA5, sizeof frame);  // so that an unwritten byte shows
    analyseFrame(*analyser, track, seconds, scale, frame.spectrum, frame.waveform);
    return frame;
}

int rowSum(const unsigned char* row, int first, int last) {
    return std::accumulate(row + first, row + last, 0);
}

TEST(FrameAnalyser, SilenceGivesZeroSpectrumAndWaveform) {
    const Frame frame = analyse(stereoTrack(rate, silence(), silence()), 0.5);
    for (int row = 0; row < 2; ++row)
        for (int k = 0; k < analysisBins; ++k) {
            ASSERT_EQ(frame.spectrum[row][k], 0) << "row " << row << " bin " << k;
            ASSERT_EQ(frame.waveform[row][k], 0) << "row " << row << " sample " << k;
        }
}

TEST(FrameAnalyser, FullScaleToneOnABinReadsTopThereAndNothingBeyondItsNeighbours) {
    const Frame frame = analyse(stereoTrack(rate, tone(100, 1.0), tone(100, 1.0)), 0.5);
    EXPECT_EQ(frame.spectrum[0][100], 255);
    // The Hann window's neighbours sit 6.02 dB down: 255 - 6.02 x 255 / 70.
    EXPECT_EQ(frame.spectrum[0][99], 233);
    EXPECT_EQ(frame.spectrum[0][101], 233);
    for (int k = 0; k < analysisBins; ++k)
        if (k < 99 || k > 101) {
            EXPECT_EQ(frame.spectrum[0][k], 0) << "bin " << k;
        }
}

TEST(FrameAnalyser, ToneBetweenBinsSpreadsOnlyOverItsNeighbourhood) {
    const Frame frame = analyse(stereoTrack(rate, tone(300.5, 0.5), silence()), 0.5);
    EXPECT_GT(frame.spectrum[0][300], 200);
    EXPECT_GT(frame.spectrum[0][301], 200);
    for (int k = 0; k < analysisBins; ++k)
        if (k < 276 || k > 325) {
            EXPECT_EQ(frame.spectrum[0][k], 0) << "bin " << k;
        }
    for (int k = 280; k < 300; ++k)
        EXPECT_LE(frame.spectrum[0][k], frame.spectrum[0][k + 1])
            << "leakage grows towards the tone";
}

TEST(FrameAnalyser, MapsLevelsLinearlyInDecibelsFromMinus70ToZero) {
    struct Level {
        double amplitude;
        int byte;  // round((20 log10(amplitude) + 70) x 255 / 70)
    };
    for (const Level level :
         {Level{0.1, 182}, Level{0.01, 109}, Level{0.001, 36}, Level{0.0002, 0}}) {
        const Frame frame = analyse(stereoTrack(rate, tone(40, level.amplitude), silence()), 0.5);
        EXPECT_EQ(frame.spectrum[0][40], level.byte) << "amplitude " << level.amplitude;
    }
}

TEST(FrameAnalyser, FullScaleNoiseReadsHighAcrossTheWholeBand) {
    NoiseLcg noise{12345u};
    std::vector<double> samples;
    for (int n = 0; n < rate; ++n) samples.push_back(nextNoiseQ15(noise) / 32768.0);
    const Signal white = [&](int n) { return samples[static_cast<std::size_t>(n)]; };
    const Frame frame = analyse(stereoTrack(rate, white, white), 0.5);
    // Uniform noise of full scale: -27.6 dB per bin on average, about byte 154.
    for (int first = 0; first < analysisBins; first += 32)
        EXPECT_GT(rowSum(frame.spectrum[0], first, first + 32) / 32, 120) << "bins from " << first;
}

TEST(FrameAnalyser, KeepsLeftAndRightApart) {
    const Frame frame = analyse(stereoTrack(rate, tone(50, 0.8), tone(200, 0.8)), 0.5);
    EXPECT_GT(frame.spectrum[0][50], 240);
    EXPECT_EQ(frame.spectrum[0][200], 0);
    EXPECT_GT(frame.spectrum[1][200], 240);
    EXPECT_EQ(frame.spectrum[1][50], 0);
}

TEST(FrameAnalyser, MonoFillsBothRowsWithItsOneChannel) {
    AudioTrack track = stereoTrack(rate, tone(60, 0.5), silence());
    track.channels = 1;
    track.right.clear();
    const Frame frame = analyse(track, 0.5);
    EXPECT_GT(frame.spectrum[0][60], 200);
    EXPECT_EQ(0, std::memcmp(frame.spectrum[0], frame.spectrum[1], analysisBins));
    EXPECT_EQ(0, std::memcmp(frame.waveform[0], frame.waveform[1], analysisBins));
}

TEST(FrameAnalyser, WaveformIsTheSignedSamplesCentredOnTheFrameTime) {
    const Signal ramp = [](int n) { return (n % 1000) / 500.0 - 1.0; };
    const Signal falling = [](int n) { return 1.0 - (n % 1000) / 500.0; };
    const AudioTrack track = stereoTrack(rate, ramp, falling);
    const Frame frame = analyse(track, 0.25);  // sample 11025
    for (int i = 0; i < analysisBins; ++i) {
        const auto n = static_cast<std::size_t>(11025 - 288 + i);
        EXPECT_EQ(static_cast<std::int8_t>(frame.waveform[0][i]),
                  std::lround(track.left[n] * 127.0))
            << "sample " << i;
        EXPECT_EQ(static_cast<std::int8_t>(frame.waveform[1][i]),
                  std::lround(track.right[n] * 127.0))
            << "sample " << i;
    }
}

TEST(FrameAnalyser, ReadsZerosOutsideTheTrack) {
    const Signal dc = [](int) { return 0.5; };
    const AudioTrack track = stereoTrack(rate, dc, dc);
    const Frame start = analyse(track, 0.0);
    for (int i = 0; i < analysisBins; ++i)
        EXPECT_EQ(start.waveform[0][i], i < 288 ? 0 : 64) << "sample " << i;
    EXPECT_GT(start.spectrum[0][0], 200) << "the half window inside the track still counts";

    for (double seconds : {-1.0, 2.0, 1e300, std::nan("")}) {
        const Frame outside = analyse(track, seconds);
        EXPECT_EQ(rowSum(outside.spectrum[0], 0, analysisBins) +
                      rowSum(outside.spectrum[1], 0, analysisBins),
                  0)
            << "at " << seconds << " s";
        EXPECT_EQ(rowSum(outside.waveform[0], 0, analysisBins) +
                      rowSum(outside.waveform[1], 0, analysisBins),
                  0)
            << "at " << seconds << " s";
    }
}

// The media player's own bytes. A sine whose high byte swings by A, centred on FFT bin
// k of the 512-sample window, reads about A x 255.5 / 2 / 16 = 8 A at byte 2k + 1; its
// neighbour bins, half that through the Hann window, make byte 2k the mean of the two.
TEST(ReferenceSpectrum, SilenceReadsZeroEverywhere) {
    const Frame frame =
        analyse(stereoTrack(rate, silence(), silence()), 0.5, SpectrumScale::reference);
    EXPECT_EQ(rowSum(frame.spectrum[0], 0, analysisBins) + rowSum(frame.spectrum[1], 0, analysisBins),
              0);
}

TEST(ReferenceSpectrum, ToneOfKnownLevelReadsKnownBytes) {
    struct Case {
        int bin;                // of the 512-point FFT
        double amplitude;       // full scale 1
        int peak;               // byte 2 bin + 1
        int lowerHalf;          // byte 2 bin
        int farthestStray;      // the most any byte more than two bins away may read
    };
    // The strays are the harmonics of cutting samples to 8 bits.
    for (const Case c : {Case{32, 16.0 / 128, 128, 96, 3}, Case{100, 4.0 / 128, 32, 24, 3},
                         Case{32, 1.0, 255, 255, 60}}) {
        const Frame frame =
            analyse(stereoTrack(rate, tone(c.bin * analysisFftLength / 512.0, c.amplitude),
                                silence()),
                    0.5, SpectrumScale::reference);
        const unsigned char* row = frame.spectrum[0];
        EXPECT_NEAR(row[2 * c.bin + 1], c.peak, 2) << "bin " << c.bin << " amplitude " << c.amplitude;
        EXPECT_NEAR(row[2 * c.bin], c.lowerHalf, 2) << "bin " << c.bin << " amplitude " << c.amplitude;
        for (int k = 0; k < 512; ++k)
            if (std::abs(k / 2 - c.bin) > 2) {
                EXPECT_LE(row[k], c.farthestStray) << "byte " << k << " for bin " << c.bin;
            }
        EXPECT_EQ(rowSum(frame.spectrum[1], 0, analysisBins), 0) << "the silent channel";
    }
}

TEST(ReferenceSpectrum, BytesBeyondTheLastBinHalveOneAfterAnother) {
    const Frame frame = analyse(stereoTrack(rate, tone(255 * analysisFftLength / 512.0, 0.125),
                                            silence()),
                                0.5, SpectrumScale::reference);
    const unsigned char* row = frame.spectrum[0];
    EXPECT_GT(row[511], 100);
    for (int k = 512; k < analysisBins; ++k) EXPECT_EQ(row[k], row[k - 1] / 2) << "byte " << k;
    EXPECT_EQ(row[analysisBins - 1], 0);
}

TEST(ReferenceSpectrum, MonoFillsBothRowsAlike) {
    AudioTrack track = stereoTrack(rate, tone(60, 0.5), silence());
    track.channels = 1;
    track.right.clear();
    const Frame frame = analyse(track, 0.5, SpectrumScale::reference);
    EXPECT_GT(rowSum(frame.spectrum[0], 0, analysisBins), 0);
    EXPECT_EQ(0, std::memcmp(frame.spectrum[0], frame.spectrum[1], analysisBins));
}

}  // namespace
