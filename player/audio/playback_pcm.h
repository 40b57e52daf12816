#pragma once

#include "audio_track.h"
#include "track_window.h"

#include <cstddef>
#include <cstdint>

// The sound card is fed 16-bit stereo: channel 0 then channel 1 for each sample frame,
// a mono track on both sides. Writes `frames` sample frames from `firstFrame` on into
// `out` (2 x frames values); frames past the end of the track are silence.
void interleavePcm16Stereo(const AudioTrack& track, std::size_t firstFrame, std::size_t frames,
                           std::int16_t* out);

// The same from a track being decoded as it plays, read through its window.
void interleavePcm16Stereo(TrackWindow& track, std::uint64_t firstFrame, std::size_t frames,
                           std::int16_t* out);
