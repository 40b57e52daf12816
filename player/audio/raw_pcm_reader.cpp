#include "raw_pcm_reader.h"

#include "pcm_samples.h"

#include <array>
#include <cstdint>
#include <new>

namespace {

constexpr std::size_t rawFrameBytes = 4;

}  // namespace

bool readRawPcm16Stereo(std::FILE* stream, std::string_view name, int sampleRate, AudioTrack& track,
                        std::string& error) {
    const auto fail = [&](const std::string& fault) {
        error = std::string(name) + ": " + fault;
        return false;
    };
    if (sampleRate < static_cast<int>(minSampleRate) ||
        sampleRate > static_cast<int>(maxSampleRate))
        return fail("sample rate " + std::to_string(sampleRate) + " Hz is outside " +
                    std::to_string(minSampleRate) + ".." + std::to_string(maxSampleRate));

    AudioTrack decoded;
    decoded.sampleRate = sampleRate;
    decoded.channels = 2;
    std::array<std::uint8_t, 4096 * rawFrameBytes> block;
    std::size_t carried = 0;  // bytes of an incomplete frame kept from the last read
    try {
        std::size_t got;
        while ((got = std::fread(block.data() + carried, 1, block.size() - carried, stream)) > 0) {
            const std::size_t available = carried + got;
            const std::size_t frames = available / rawFrameBytes;
            if (frameCount(decoded) + frames > maxTrackFrames)
                return fail("more than " + std::to_string(maxTrackFrames) +
                            " sample frames, longer than the player takes");
            for (std::size_t i = 0; i < frames; ++i) {
                decoded.left.push_back(pcmS16ToFloat(block.data() + i * rawFrameBytes));
                decoded.right.push_back(pcmS16ToFloat(block.data() + i * rawFrameBytes + 2));
            }
            carried = available - frames * rawFrameBytes;
            for (std::size_t i = 0; i < carried; ++i) block[i] = block[frames * rawFrameBytes + i];
        }
    } catch (const std::bad_alloc&) {
        return fail("not enough memory for " + std::to_string(frameCount(decoded)) +
                    " more sample frames");
    }
    if (std::ferror(stream)) return fail("read error");
    if (frameCount(decoded) == 0) return fail("no audio: the stream ended before one sample frame");
    track = std::move(decoded);
    return true;
}
