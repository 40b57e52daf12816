#include "playback_pcm.h"

#include "pcm_samples.h"

#include <algorithm>

void interleavePcm16Stereo(const AudioTrack& track, std::size_t firstFrame, std::size_t frames,
                           std::int16_t* out) {
    const std::vector<float>& right = track.channels >= 2 ? track.right : track.left;
    const std::size_t total = frameCount(track);
    for (std::size_t i = 0; i < frames; ++i) {
        const std::size_t index = firstFrame + i;
        const bool inside = index < total;
        out[2 * i] = inside ? floatToPcmS16(track.left[index]) : std::int16_t{0};
        out[2 * i + 1] = inside ? floatToPcmS16(right[index]) : std::int16_t{0};
    }
}

void interleavePcm16Stereo(TrackWindow& track, std::uint64_t firstFrame, std::size_t frames,
                           std::int16_t* out) {
    constexpr std::size_t pieceFrames = 1024;
    float left[pieceFrames];
    float right[pieceFrames];
    const int rightChannel = track.stream.channels >= 2 ? 1 : 0;
    for (std::size_t done = 0; done < frames;) {
        const std::size_t count = std::min(pieceFrames, frames - done);
        const auto first = static_cast<std::int64_t>(firstFrame + done);
        copyFrames(track, 0, first, count, left);
        copyFrames(track, rightChannel, first, count, right);
        for (std::size_t i = 0; i < count; ++i, ++done) {
            out[2 * done] = floatToPcmS16(left[i]);
            out[2 * done + 1] = floatToPcmS16(right[i]);
        }
    }
}
