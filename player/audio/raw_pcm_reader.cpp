#include "raw_pcm_reader.h"

#include "pcm_samples.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

namespace {

constexpr std::size_t rawFrameBytes = 4;
constexpr std::size_t rawBlockFrames = 4096;

struct RawCursor {
    std::FILE* stream = nullptr;
    std::string name;
    std::array<std::uint8_t, rawBlockFrames * rawFrameBytes> block{};
    std::size_t carried = 0;  // bytes of an incomplete frame kept from the last read
};

std::optional<std::size_t> readRawFrames(RawCursor& cursor, float* left, float* right,
                                         std::size_t capacity, std::string& error) {
    const std::size_t wanted = std::min(capacity, rawBlockFrames) * rawFrameBytes;
    // fread waits for all it asks for, short only at the end of the stream or a failure.
    const std::size_t available =
        cursor.carried +
        std::fread(cursor.block.data() + cursor.carried, 1, wanted - cursor.carried, cursor.stream);
    if (std::ferror(cursor.stream)) {
        error = cursor.name + ": read error";
        return std::nullopt;
    }
    const std::size_t frames = available / rawFrameBytes;
    for (std::size_t i = 0; i < frames; ++i) {
        left[i] = pcmS16ToFloat(cursor.block.data() + i * rawFrameBytes);
        right[i] = pcmS16ToFloat(cursor.block.data() + i * rawFrameBytes + 2);
    }
    cursor.carried = available - frames * rawFrameBytes;
    std::copy_n(cursor.block.data() + frames * rawFrameBytes, cursor.carried, cursor.block.data());
    return frames;
}

}  // namespace

bool openRawPcm16Stereo(std::FILE* stream, std::string_view name, int sampleRate,
                        AudioStream& audio, std::string& error) {
    if (sampleRate < static_cast<int>(minSampleRate) ||
        sampleRate > static_cast<int>(maxSampleRate)) {
        error = std::string(name) + ": sample rate " + std::to_string(sampleRate) +
                " Hz is outside " + std::to_string(minSampleRate) + ".." +
                std::to_string(maxSampleRate);
        return false;
    }
    auto cursor = std::make_shared<RawCursor>();
    cursor->stream = stream;
    cursor->name = std::string(name);
    AudioStream opened;
    opened.name = cursor->name;
    opened.sampleRate = sampleRate;
    opened.channels = 2;
    opened.read = [cursor](float* left, float* right, std::size_t capacity, std::string& fault) {
        return readRawFrames(*cursor, left, right, capacity, fault);
    };
    audio = std::move(opened);
    return true;
}

bool readRawPcm16Stereo(std::FILE* stream, std::string_view name, int sampleRate, AudioTrack& track,
                        std::string& error) {
    AudioStream audio;
    if (!openRawPcm16Stereo(stream, name, sampleRate, audio, error)) return false;
    const bool read = readWholeStream(audio, track, error);
    closeAudioStream(audio);
    return read;
}
