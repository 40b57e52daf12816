// libFuzzer target: any bytes as a WAV file and as raw PCM on standard input, through the
// player's streaming readers exactly as it plays them: opened, then read a block at a time
// to the end. Besides the sanitizers' own findings it traps on a result that breaks the
// readers' promises: one or two channels of equal length at a rate the player takes, every
// sample finite in -1..1, as many frames as the header promised, the same samples again
// after going back to the start, and a refusal that is one line naming the input.

#include "raw_pcm_reader.h"
#include "wav_reader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace {

void require(bool promise)
{
    if (!promise) {
        __builtin_trap();
    }
}

void checkRefusal(const std::string& error, const std::string& name)
{
    require(error.size() > name.size() + 2 && error.compare(0, name.size() + 2, name + ": ") == 0);
    require(error.find('\n') == std::string::npos);
}

bool sampleOk(float sample)
{
    return std::isfinite(sample) && sample >= -1.0f && sample <= 1.0f;
}

// Reads the stream to its end in blocks of `capacity` frames; answers the frames read and
// the first sample of each channel, so a second pass can be compared with the first.
std::uint64_t readToEnd(AudioStream& stream, std::size_t capacity, std::vector<float>& firsts)
{
    const float unwritten = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> left(capacity);
    std::vector<float> right(capacity);
    std::uint64_t frames = 0;
    firsts.clear();
    while (true) {
        left.assign(capacity, unwritten);
        right.assign(capacity, unwritten);
        std::string error;
        const std::optional<std::size_t> got = stream.read(left.data(), right.data(), capacity, error);
        if (!got) {
            // Memory never fails to read; a failure must still say so in one line.
            checkRefusal(error, stream.name);
            __builtin_trap();
        }
        require(*got <= capacity);
        if (*got == 0) {
            return frames;
        }
        for (std::size_t i = 0; i < *got; ++i) {
            require(sampleOk(left[i]));
            require(stream.channels == 1 ? std::isnan(right[i]) : sampleOk(right[i]));
        }
        if (frames == 0) {
            firsts = {left[0], right[0]};
        }
        frames += *got;
    }
}

void checkStream(AudioStream& stream, std::size_t capacity)
{
    require(stream.channels == 1 || stream.channels == 2);
    require(stream.sampleRate >= static_cast<int>(minSampleRate) &&
            stream.sampleRate <= static_cast<int>(maxSampleRate));
    std::vector<float> firsts;
    const std::uint64_t frames = readToEnd(stream, capacity, firsts);
    if (stream.length) {
        require(frames == *stream.length);
    }
    std::string error;
    if (stream.seek) {
        require(stream.seek(0, error));
        std::vector<float> again;
        require(readToEnd(stream, capacity, again) == frames);
        require(again.size() == firsts.size());
        for (std::size_t i = 0; i < again.size(); ++i) {
            require(again[i] == firsts[i] || (std::isnan(again[i]) && std::isnan(firsts[i])));
        }
    }
    closeAudioStream(stream);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // NOTE: a heap block of exactly the input's length keeps ASan's bounds tight.
    auto* bytes = static_cast<std::uint8_t*>(std::malloc(size == 0 ? 1 : size));
    if (bytes == nullptr) {
        return 0;
    }
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = data[i];
    }
    // Blocks of 1 to 64 frames, so that reads end at every offset in a frame and a block.
    const std::size_t capacity = 1 + size % 64;

    AudioStream wav;
    std::string error;
    if (openWavStream(wavBytesInMemory({bytes, size}), "input.wav", wav, error)) {
        checkStream(wav, capacity);
    } else {
        checkRefusal(error, "input.wav");
    }

    // The first two bytes choose the rate, out of range now and then.
    const int rate = size >= 2 ? (bytes[0] | bytes[1] << 8) * 13 : 44100;
    if (std::FILE* stream = fmemopen(bytes, size == 0 ? 1 : size, "rb")) {
        if (size == 0) {
            std::fgetc(stream);
        }
        AudioStream raw;
        error.clear();
        if (openRawPcm16Stereo(stream, "standard input", rate, raw, error)) {
            checkStream(raw, capacity);
        } else {
            checkRefusal(error, "standard input");
        }
        std::fclose(stream);
    }
    std::free(bytes);
    return 0;
}
