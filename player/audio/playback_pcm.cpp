#include "playback_pcm.h"

#include "pcm_samples.h"

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
