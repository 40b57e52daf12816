#include "wav_bytes.h"

#include "wav_reader.h"
#include "wav_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

Bytes samples16(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) appendU16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
    return out;
}

Bytes samplesF32(std::initializer_list<float> values) {
    Bytes out;
    for (float v : values) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        appendU32(out, bits);
    }
    return out;
}

AudioTrack decodeOk(const Bytes& file) {
    AudioTrack track;
    std::string error;
    EXPECT_TRUE(decodeWav(file, "test.wav", track, error)) << error;
    return track;
}

TEST(WavReader, Decodes16BitStereoIntoSeparateChannelsScaledBy32768) {
    const AudioTrack track =
        decodeOk(simpleWav(fmtBody(1, 2, 44100, 16), samples16({0, 32767, -32768, 16384, -1, 8})));
    EXPECT_EQ(track.sampleRate, 44100);
    EXPECT_EQ(track.channels, 2);
    EXPECT_EQ(track.left, (std::vector<float>{0.0f, -1.0f, -1.0f / 32768}));
    EXPECT_EQ(track.right, (std::vector<float>{32767.0f / 32768, 0.5f, 8.0f / 32768}));
}

TEST(WavReader, Decodes8BitAsUnsignedAroundMidScaleAndMonoHasNoSecondChannel) {
    const AudioTrack track = decodeOk(simpleWav(fmtBody(1, 1, 8000, 8), {0, 128, 255, 192}));
    EXPECT_EQ(track.sampleRate, 8000);
    EXPECT_EQ(track.channels, 1);
    EXPECT_EQ(track.left, (std::vector<float>{-1.0f, 0.0f, 127.0f / 128, 0.5f}));
    EXPECT_TRUE(track.right.empty());
}

TEST(WavReader, Decodes24And32BitIntegersWithFullScaleAtMinusOne) {
    const AudioTrack track24 =
        decodeOk(simpleWav(fmtBody(1, 1, 48000, 24), {0x00, 0x00, 0x80, 0x00, 0x00, 0x40, 0x01,
                                                      0x00, 0x00, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(track24.left,
              (std::vector<float>{-1.0f, 0.5f, std::ldexp(1.0f, -23), -std::ldexp(1.0f, -23)}));

    Bytes data32;
    for (std::uint32_t v : {0x80000000u, 0x40000000u, 0xFFFFFFFFu}) appendU32(data32, v);
    const AudioTrack track32 = decodeOk(simpleWav(fmtBody(1, 1, 48000, 32), data32));
    EXPECT_EQ(track32.left, (std::vector<float>{-1.0f, 0.5f, -std::ldexp(1.0f, -31)}));
}

TEST(WavReader, DecodesFloatClippingOutOfRangeValuesAndSilencingNaN) {
    const float inf = std::numeric_limits<float>::infinity();
    const AudioTrack track = decodeOk(
        simpleWav(fmtBody(3, 1, 44100, 32),
                  samplesF32({0.25f, -0.5f, 1.5f, -inf, std::numeric_limits<float>::quiet_NaN()})));
    EXPECT_EQ(track.left, (std::vector<float>{0.25f, -0.5f, 1.0f, -1.0f, 0.0f}));
}

TEST(WavReader, DecodesExtensibleFormatsByTheirSubFormat) {
    const AudioTrack pcm =
        decodeOk(simpleWav(extensibleFmtBody(1, 2, 96000, 24, 24), {0, 0, 0x40, 0, 0, 0xC0}));
    EXPECT_EQ(pcm.sampleRate, 96000);
    EXPECT_EQ(pcm.left, std::vector<float>{0.5f});
    EXPECT_EQ(pcm.right, std::vector<float>{-0.5f});

    const AudioTrack floats =
        decodeOk(simpleWav(extensibleFmtBody(3, 1, 44100, 32, 32), samplesF32({-0.125f})));
    EXPECT_EQ(floats.left, std::vector<float>{-0.125f});

    // 20 significant bits left-justified in a 24-bit container read like 24-bit samples.
    const AudioTrack narrow =
        decodeOk(simpleWav(extensibleFmtBody(1, 1, 44100, 24, 20), {0x00, 0x00, 0x40}));
    EXPECT_EQ(narrow.left, std::vector<float>{0.5f});
}

TEST(WavReader, KeepsTheFirstTwoOfMoreChannels) {
    const AudioTrack track = decodeOk(
        simpleWav(fmtBody(1, 4, 44100, 16), samples16({100, 200, 300, 400, 500, 600, 700, 800})));
    EXPECT_EQ(track.channels, 2);
    EXPECT_EQ(track.left, (std::vector<float>{100.0f / 32768, 500.0f / 32768}));
    EXPECT_EQ(track.right, (std::vector<float>{200.0f / 32768, 600.0f / 32768}));
}

TEST(WavReader, SkipsOtherChunksIncludingOddSizedOnesAndTakesDataBeforeFmt) {
    const Bytes file = riffWave({chunk("LIST", {'a', 'b', 'c'}), chunk("data", samples16({-16384})),
                                 chunk("junk", {1}), chunk("fmt ", fmtBody(1, 1, 22050, 16))});
    const AudioTrack track = decodeOk(file);
    EXPECT_EQ(track.sampleRate, 22050);
    EXPECT_EQ(track.left, std::vector<float>{-0.5f});
}

TEST(WavReader, ToleratesAMissingPadByteAfterTheLastChunkAndBytesAfterTheRiffChunk) {
    Bytes noPad = riffWave(
        {chunk("fmt ", fmtBody(1, 1, 8000, 8)), chunkWithSize("data", 3, {128, 255, 0}, false)});
    EXPECT_EQ(decodeOk(noPad).left, (std::vector<float>{0.0f, 127.0f / 128, -1.0f}));

    Bytes tagged = simpleWav(fmtBody(1, 1, 8000, 8), {128, 0});
    tagged.insert(tagged.end(), {'T', 'A', 'G', 0xFF, 0xFF});
    EXPECT_EQ(decodeOk(tagged).left, (std::vector<float>{0.0f, -1.0f}));
}

TEST(WavReader, ReadsStreamedSizesAsRunningToTheEndInWholeFrames) {
    // What an encoder writing to a pipe leaves: both sizes 0xFFFFFFFF, and here a stream
    // cut off one byte into its third frame.
    Bytes file = riffWaveWithSize(
        0xFFFFFFFFu, {chunk("fmt ", fmtBody(1, 2, 44100, 16)),
                      chunkWithSize("data", 0xFFFFFFFFu, samples16({1, 2, 3, 4}), false)});
    file.push_back(0x55);
    const AudioTrack track = decodeOk(file);
    EXPECT_EQ(track.left, (std::vector<float>{1.0f / 32768, 3.0f / 32768}));
    EXPECT_EQ(track.right, (std::vector<float>{2.0f / 32768, 4.0f / 32768}));
}

struct MalformedCase {
    const char* what;
    Bytes file;
    const char* fault;
};

std::vector<MalformedCase> malformedCases() {
    const Bytes fmt16 = fmtBody(1, 2, 44100, 16);
    const Bytes frame = samples16({1, 2});
    Bytes zeroAlign = fmt16;
    zeroAlign[12] = 0;
    Bytes wrongAlign = fmt16;
    wrongAlign[12] = 6;
    Bytes badGuid = extensibleFmtBody(1, 1, 44100, 16, 16);
    badGuid[30] = 0x11;
    Bytes shortExtension = extensibleFmtBody(1, 1, 44100, 16, 16);
    shortExtension[16] = 10;
    Bytes truncatedData = simpleWav(fmt16, samples16({1, 2, 3, 4}));
    truncatedData.resize(truncatedData.size() - 2);
    truncatedData[4] -= 2;  // the RIFF size agrees with the file; the data chunk does not
    Bytes truncatedRiff = simpleWav(fmt16, frame);
    truncatedRiff.pop_back();

    return {
        {"an empty file", {}, "too short for a RIFF header (0 bytes)"},
        {"another container",
         {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'A', 'I', 'F', 'F'},
         "not a RIFF file"},
        {"RF64", {'R', 'F', '6', '4', 0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E'}, "RF64"},
        {"a RIFF of another type",
         {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '},
         "not of type WAVE"},
        {"a RIFF size past the end", truncatedRiff, "the file is truncated"},
        {"a RIFF size below 4", riffWaveWithSize(2, {}), "RIFF size 2 is too small"},
        {"no fmt chunk", riffWave({chunk("data", frame)}), "no fmt chunk"},
        {"no data chunk", riffWave({chunk("fmt ", fmt16)}), "no data chunk"},
        {"two fmt chunks",
         riffWave({chunk("fmt ", fmt16), chunk("fmt ", fmt16), chunk("data", frame)}),
         "more than one fmt chunk"},
        {"two data chunks",
         riffWave({chunk("fmt ", fmt16), chunk("data", frame), chunk("data", frame)}),
         "more than one data chunk"},
        {"a short fmt chunk", simpleWav(Bytes(fmt16.begin(), fmt16.begin() + 14), frame),
         "fmt chunk is 14 bytes"},
        {"a fmt chunk running past the end",
         riffWave({chunkWithSize("fmt ", 400, fmt16, true), chunk("data", frame)}),
         "'fmt ' chunk at offset 12 claims 400 bytes but only 28 remain"},
        {"a data chunk running past the end", truncatedData,
         "'data' chunk at offset 36 claims 8 bytes but only 6 remain"},
        {"a chunk header cut short",
         [&] {
             Bytes file = simpleWav(fmt16, frame);
             file.insert(file.end(), {'L', 'I', 'S'});
             file[4] += 3;
             return file;
         }(),
         "truncated chunk header at offset 48"},
        {"control characters in a chunk id",
         riffWave({chunk("fmt ", fmt16), chunkWithSize("\x1b[2J", 99, {}, false)}), "'?[2J' chunk"},
        {"zero block align", simpleWav(zeroAlign, frame), "block align is 0"},
        {"a block align that does not fit the format", simpleWav(wrongAlign, frame),
         "block align 6 does not match 2 channels of 16 bits"},
        {"zero channels", simpleWav(fmtBody(1, 0, 44100, 16), frame), "0 channels"},
        {"a zero sample rate", simpleWav(fmtBody(1, 2, 0, 16), frame),
         "sample rate 0 Hz is outside 1..768000"},
        {"a compressed format", simpleWav(fmtBody(2, 2, 44100, 4), frame),
         "unsupported format 0x0002 (only PCM and IEEE float are read)"},
        {"12-bit PCM", simpleWav(fmtBody(1, 2, 44100, 12), frame),
         "unsupported PCM sample size 12 bits"},
        {"64-bit float", simpleWav(fmtBody(3, 1, 44100, 64), Bytes(8)),
         "unsupported float sample size 64 bits"},
        {"an unknown extensible sub-format", simpleWav(badGuid, frame),
         "sub-format is not PCM or IEEE float"},
        {"an extension too short", simpleWav(shortExtension, frame), "too short for its extension"},
        {"valid bits above the container", simpleWav(extensibleFmtBody(1, 1, 44100, 16, 24), frame),
         "valid bits per sample (24) exceed the container size (16)"},
        {"a data chunk that is not whole frames", simpleWav(fmt16, samples16({1, 2, 3})),
         "data chunk of 6 bytes is not a whole number of 4-byte sample frames"},
        {"an empty data chunk", simpleWav(fmt16, {}), "data chunk holds no sample frames"},
    };
}

TEST(WavReader, RefusesEachMalformedFileWithOneLineNamingFileAndFault) {
    for (const MalformedCase& c : malformedCases()) {
        AudioTrack track;
        track.sampleRate = 1234;
        std::string error;
        EXPECT_FALSE(decodeWav(c.file, "bad.wav", track, error)) << c.what;
        EXPECT_EQ(error.rfind("bad.wav: ", 0), 0u) << c.what << ": " << error;
        EXPECT_NE(error.find(c.fault), std::string::npos)
            << c.what << ": expected \"" << c.fault << "\" in \"" << error << "\"";
        EXPECT_EQ(error.find('\n'), std::string::npos) << c.what;
        EXPECT_EQ(track.sampleRate, 1234) << c.what << ": the track was changed";
    }
}

TEST(WavWriter, Writes16BitPcmThatReadsBackSampleForSample) {
    AudioTrack track;
    track.sampleRate = 32000;
    track.channels = 2;
    track.left = {0.0f, -1.0f, 0.5f, 1.0f / 32768};
    track.right = {32767.0f / 32768, -0.25f, -3.0f / 32768, 0.75f};
    const AudioTrack back = decodeOk(encodeWav16(track));
    EXPECT_EQ(back.sampleRate, 32000);
    EXPECT_EQ(back.channels, 2);
    EXPECT_EQ(back.left, track.left);
    EXPECT_EQ(back.right, track.right);
}

TEST(WavWriter, ClipsOutOfRangeSamplesAndKeepsMonoMono) {
    AudioTrack track;
    track.sampleRate = 8000;
    track.channels = 1;
    track.left = {1.5f, -2.0f, 1.0f, std::numeric_limits<float>::quiet_NaN()};
    const Bytes file = encodeWav16(track);
    EXPECT_EQ(file, simpleWav(fmtBody(1, 1, 8000, 16), samples16({32767, -32768, 32767, 0})));
}

TEST(WavFile, WritesAndReadsFilesWholeOrStreamedAndNamesAPathThatCannotBeOpened) {
    AudioTrack track;
    track.sampleRate = 44100;
    track.channels = 2;
    track.left = {0.5f, -0.5f};
    track.right = {0.25f, -0.25f};
    const std::string path = ::testing::TempDir() + "zelplay_wav_file_test.wav";
    std::string error;
    ASSERT_TRUE(writeWav16File(path, track, error)) << error;
    AudioTrack back;
    ASSERT_TRUE(readWavFile(path, back, error)) << error;
    EXPECT_EQ(back.left, track.left);
    EXPECT_EQ(back.right, track.right);

    // Longer than three of the reader's blocks, and streamed out by the writer a block at
    // a time: the same samples both ways.
    AudioTrack longer;
    longer.sampleRate = 8000;
    longer.channels = 2;
    for (int n = 0; n < 40000; ++n) {
        longer.left.push_back(static_cast<float>(n % 6000 - 3000) / 32768);
        longer.right.push_back(static_cast<float>(-(n % 7000)) / 32768);
    }
    AudioStream stream = trackStream(longer, "longer");
    ASSERT_TRUE(writeWav16File(path, stream, error)) << error;
    ASSERT_TRUE(readWavFile(path, back, error)) << error;
    EXPECT_EQ(back.left, longer.left);
    EXPECT_EQ(back.right, longer.right);
    AudioStream empty = trackStream(AudioTrack{8000, 1, {}, {}}, "standard input");
    EXPECT_FALSE(writeWav16File(path, empty, error));
    EXPECT_EQ(error, "standard input: no audio: the stream ended before one sample frame");
    EXPECT_FALSE(readWavFile(path, back, error)) << "a stream without audio left a file";
    std::remove(path.c_str());

    const std::string missing = ::testing::TempDir() + "zelplay_no_such_dir/none.wav";
    EXPECT_FALSE(readWavFile(missing, back, error));
    EXPECT_EQ(error.rfind(missing + ": cannot open: ", 0), 0u) << error;
    EXPECT_FALSE(writeWav16File(missing, track, error));
    EXPECT_EQ(error.rfind(missing + ": cannot create: ", 0), 0u) << error;
}

}  // namespace
