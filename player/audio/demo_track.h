#pragma once

#include "audio_stream.h"
#include "audio_track.h"

// The player's built-in music: 16 bars at 120 beats per minute (32 s, 44.1 kHz stereo) of
// kick, bass, hi-hats and a chord pad over Am-F-C-G. The kick stays in the centre; bass,
// pad and hats lean left for four bars, then right for four, then comes a quiet two-bar
// breakdown with the pad alone in the centre, then left again for four bars and right for
// the last two, which fade out. The same samples on every run and every build: the
// synthesis is integer arithmetic throughout.
// The track made a block at a time as it plays, in the memory of a few instruments' state.
AudioStream demoTrackStream();

// The whole track at once, for --write-demo-wav, tools and tests. Throws std::bad_alloc
// when it does not fit in memory.
AudioTrack synthesiseDemoTrack();
