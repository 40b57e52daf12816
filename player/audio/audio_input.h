#pragma once
// The music the player shows: an audio file (WAV through the player's own reader,
// anything else through Windows' decoders), raw PCM on standard input or the
// built-in demo track.

#include "audio_track.h"

#include <string>

enum class AudioSource {
    none,    // an all-zero spectrum, unless a pattern is asked for
    file,
    rawPcm,  // 16-bit stereo on standard input
    demo,    // the built-in track
};

struct AudioRequest {
    AudioSource source = AudioSource::none;
    std::string path; // of an audio file
    int rawPcmRate = 0;
};

// Answers false with one line in `error` when the audio cannot be read; a run
// without an audio source leaves `track` empty and succeeds.
bool loadAudio(const AudioRequest& request, AudioTrack& track, std::string& error);
