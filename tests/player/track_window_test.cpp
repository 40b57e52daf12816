#include "frame_analyser.h"
#include "frame_timing.h"
#include "playback_pcm.h"
#include "track_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

// At 1000 Hz the ring holds 4 s and two read blocks, 12192 frames: the 40 s track below
// passes through it more than three times.
constexpr int rate = 1000;
constexpr int trackFrames = 40000;

AudioTrack testTrack(int channels) {
    AudioTrack track;
    track.sampleRate = rate;
    track.channels = channels;
    for (int n = 0; n < trackFrames; ++n) {
        // Loud, uneven and different in each channel, so that a frame taken from the
        // wrong place, the wrong pass or the wrong channel shows in the bytes.
        track.left.push_back(static_cast<float>(0.6 * std::sin(n * 0.37) * std::sin(n * 0.0011)));
        if (channels == 2) track.right.push_back(static_cast<float>(((n * 7919) % 2001 - 1000) / 1000.0));
    }
    return track;
}

// The same track as a pipe gives it: no length until its end, no way back.
AudioStream asPipe(AudioStream stream) {
    stream.length.reset();
    stream.seek = nullptr;
    return stream;
}

struct Bytes {
    unsigned char spectrum[2][analysisBins];
    unsigned char waveform[2][analysisBins];
    bool operator==(const Bytes& other) const { return std::memcmp(this, &other, sizeof *this) == 0; }
};

template <typename Track>
Bytes analyse(FrameAnalyser& analyser, Track& track, double seconds, SpectrumScale scale) {
    Bytes bytes;
    std::memset(&bytes, 0xA5, sizeof bytes);
    analyseFrame(analyser, track, seconds, scale, bytes.spectrum, bytes.waveform);
    return bytes;
}

TEST(TrackWindow, FeedsThePluginTheBytesOfTheWholeTrackOnEveryPass) {
    const auto analyser = makeFrameAnalyser();
    struct Case {
        const char* what;
        int channels;
        bool pipe;
        int passes;  // each pass from the start needs the stream to go back
    };
    for (const Case c : {Case{"a stereo file", 2, false, 2}, Case{"a mono file", 1, false, 2},
                         Case{"stereo from a pipe", 2, true, 1}}) {
        const AudioTrack whole = testTrack(c.channels);
        AudioStream stream = trackStream(whole, "test");
        if (c.pipe) stream = asPipe(std::move(stream));
        TrackWindow window;
        std::string error;
        ASSERT_TRUE(openTrackWindow(window, std::move(stream), error)) << error;
        for (int pass = 0; pass < c.passes; ++pass)
            // 30 frames a second, from before the start to past the end.
            for (int frame = -3; frame < (trackFrames / rate + 1) * 30; frame += 1 + pass)
                for (const SpectrumScale scale : {SpectrumScale::reference, SpectrumScale::decibel}) {
                    const double seconds = frame / 30.0;
                    ASSERT_TRUE(analyse(*analyser, window, seconds, scale) ==
                                analyse(*analyser, whole, seconds, scale))
                        << c.what << ", pass " << pass << ", frame " << frame;
                }
        EXPECT_EQ(trackLength(window), std::optional<std::uint64_t>(trackFrames)) << c.what;
        closeTrackWindow(window);
    }
}

TEST(TrackWindow, FeedsTheSoundCardTheSamplesOfTheWholeTrackAndSilenceAfter) {
    const AudioTrack whole = testTrack(2);
    TrackWindow window;
    std::string error;
    ASSERT_TRUE(openTrackWindow(window, asPipe(trackStream(whole, "test")), error)) << error;
    // A quarter of a second at a time, as the sound card's buffers are queued.
    for (std::uint64_t first = 0; first < trackFrames + 1000; first += rate / 4) {
        const std::size_t frames = framesAvailable(window, first, rate / 4);
        EXPECT_EQ(frames, first >= trackFrames ? 0u : std::min<std::uint64_t>(rate / 4, trackFrames - first));
        std::vector<std::int16_t> streamed(2 * rate / 4, 0x5A5A);
        std::vector<std::int16_t> held(2 * rate / 4, 0x5A5A);
        interleavePcm16Stereo(window, first, rate / 4, streamed.data());
        interleavePcm16Stereo(whole, first, rate / 4, held.data());
        ASSERT_EQ(streamed, held) << "from frame " << first;
    }
}

TEST(TrackWindow, ReadsWhatAPipeHasLetGoAsSilence) {
    const AudioTrack whole = testTrack(1);
    TrackWindow window;
    std::string error;
    ASSERT_TRUE(openTrackWindow(window, asPipe(trackStream(whole, "test")), error)) << error;
    float sample = 1.0f;
    copyFrames(window, 0, 30000, 1, &sample);
    EXPECT_EQ(sample, whole.left[30000]);
    copyFrames(window, 0, 100, 1, &sample);
    EXPECT_EQ(sample, 0.0f) << "frame 100 lies 30000 frames back, beyond the ring";
    EXPECT_FALSE(trackLength(window)) << "the pipe's end has not been read yet";
}

TEST(TrackWindow, ASeekLandsOnItsFrameWithoutDecodingWhatLiesBetween) {
    const AudioTrack whole = testTrack(2);
    AudioStream stream = trackStream(whole, "test");
    std::uint64_t framesRead = 0;
    stream.read = [read = stream.read, &framesRead](float* left, float* right, std::size_t capacity,
                                                    std::string& error) {
        const std::optional<std::size_t> got = read(left, right, capacity, error);
        framesRead += got.value_or(0);
        return got;
    };
    TrackWindow window;
    std::string error;
    ASSERT_TRUE(openTrackWindow(window, std::move(stream), error)) << error;
    for (const std::uint64_t to : {30000u, 20u, 39990u, 25000u}) {
        const std::uint64_t before = framesRead;
        seekTrackWindow(window, to);
        float samples[2] = {};
        copyFrames(window, 0, static_cast<std::int64_t>(to), 1, &samples[0]);
        copyFrames(window, 1, static_cast<std::int64_t>(to), 1, &samples[1]);
        EXPECT_EQ(samples[0], whole.left[to]) << "frame " << to;
        EXPECT_EQ(samples[1], whole.right[to]) << "frame " << to;
        EXPECT_LE(framesRead - before, 2 * trackReadFrames) << "a seek to " << to << " read on to it";
    }
}

TEST(TrackWindow, EndsTheTrackWhereTheSourceFailsAndRefusesAnEmptyOne) {
    int reads = 0;
    AudioStream failing;
    failing.name = "song.wav";
    failing.sampleRate = rate;
    failing.channels = 1;
    failing.read = [&](float* left, float*, std::size_t capacity,
                       std::string& error) -> std::optional<std::size_t> {
        if (++reads > 2) {
            error = "song.wav: read error after 200 sample frames";
            return std::nullopt;
        }
        const std::size_t count = std::min<std::size_t>(capacity, 100);
        std::fill_n(left, count, 0.5f);
        return count;
    };
    TrackWindow window;
    std::string error;
    ASSERT_TRUE(openTrackWindow(window, failing, error)) << error;
    EXPECT_EQ(framesAvailable(window, 150, 100), 50u);
    EXPECT_EQ(trackLength(window), std::optional<std::uint64_t>(200));
    EXPECT_EQ(window.failure, "song.wav: read error after 200 sample frames");

    reads = 2;
    EXPECT_FALSE(openTrackWindow(window, failing, error));
    EXPECT_EQ(error, "song.wav: read error after 200 sample frames");
    AudioStream empty = trackStream(AudioTrack{rate, 2, {}, {}}, "standard input");
    EXPECT_FALSE(openTrackWindow(window, empty, error));
    EXPECT_EQ(error, "standard input: no audio: the stream ended before one sample frame");
}

TEST(RecordFrameSample, ShowsAFrameExactlyWhileTheTrackHoldsItsSample) {
    for (const int fps : {1, 24, 30, 60, 1000})
        for (const int sampleRate : {8000, 22050, 44100, 768000})
            for (const std::uint64_t length : {1ull, 1470ull, 1471ull, 44100ull * 3 + 1})
                for (std::uint64_t frame = 0; frame < 200; ++frame)
                    ASSERT_EQ(recordFrameSample(frame, sampleRate, fps) < length,
                              frame < recordFrameCount(length, sampleRate, fps))
                        << fps << " fps, " << sampleRate << " Hz, " << length << " frames, frame "
                        << frame;
}

}  // namespace
