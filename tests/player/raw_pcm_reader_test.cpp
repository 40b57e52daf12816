#include "raw_pcm_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileClose>;

// A stream holding exactly `bytes`, read from the start.
FileHandle streamOf(const std::vector<std::uint8_t>& bytes) {
    FileHandle file(std::tmpfile());
    EXPECT_TRUE(file);
    if (!file) return file;
    EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file.get()), bytes.size());
    std::rewind(file.get());
    return file;
}

TEST(RawPcmReader, ReadsInterleavedLittleEndianStereoAtTheGivenRate) {
    const FileHandle stream = streamOf({0x00, 0x40, 0x00, 0x80, 0xFF, 0x7F, 0xFF, 0xFF});
    AudioTrack track;
    std::string error;
    ASSERT_TRUE(readRawPcm16Stereo(stream.get(), "standard input", 48000, track, error)) << error;
    EXPECT_EQ(track.sampleRate, 48000);
    EXPECT_EQ(track.channels, 2);
    EXPECT_EQ(track.left, (std::vector<float>{0.5f, 32767.0f / 32768}));
    EXPECT_EQ(track.right, (std::vector<float>{-1.0f, -1.0f / 32768}));
}

TEST(RawPcmReader, ReadsAcrossBlockBoundariesAndDropsATrailingPartialFrame) {
    // 10000 frames, more than one read block, then three stray bytes.
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 10000; ++i) {
        const auto left = static_cast<std::uint16_t>(i);
        const auto right = static_cast<std::uint16_t>(-i);
        bytes.insert(bytes.end(),
                     {static_cast<std::uint8_t>(left), static_cast<std::uint8_t>(left >> 8),
                      static_cast<std::uint8_t>(right), static_cast<std::uint8_t>(right >> 8)});
    }
    bytes.insert(bytes.end(), {1, 2, 3});
    const FileHandle stream = streamOf(bytes);
    AudioTrack track;
    std::string error;
    ASSERT_TRUE(readRawPcm16Stereo(stream.get(), "standard input", 44100, track, error)) << error;
    ASSERT_EQ(frameCount(track), 10000u);
    ASSERT_EQ(track.right.size(), 10000u);
    for (int i = 0; i < 10000; ++i) {
        ASSERT_EQ(track.left[static_cast<std::size_t>(i)], static_cast<float>(i) / 32768)
            << "frame " << i;
        ASSERT_EQ(track.right[static_cast<std::size_t>(i)], static_cast<float>(-i) / 32768)
            << "frame " << i;
    }
}

TEST(RawPcmReader, RefusesAnEmptyStreamAndAnImpossibleRate) {
    AudioTrack track;
    track.sampleRate = 1234;
    std::string error;
    const FileHandle short_ = streamOf({1, 2, 3});
    EXPECT_FALSE(readRawPcm16Stereo(short_.get(), "standard input", 44100, track, error));
    EXPECT_EQ(error, "standard input: no audio: the stream ended before one sample frame");

    const FileHandle fine = streamOf({0, 0, 0, 0});
    EXPECT_FALSE(readRawPcm16Stereo(fine.get(), "standard input", 0, track, error));
    EXPECT_EQ(error, "standard input: sample rate 0 Hz is outside 1..768000");
    EXPECT_FALSE(readRawPcm16Stereo(fine.get(), "standard input", 800000, track, error));
    EXPECT_EQ(error, "standard input: sample rate 800000 Hz is outside 1..768000");
    EXPECT_EQ(track.sampleRate, 1234) << "a refused stream changed the track";
}

}  // namespace
