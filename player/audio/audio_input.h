#pragma once
// The music the player shows: a WAV file, raw PCM on standard input or the
// built-in demo track.

#include "track_window.h"

#include <string>

enum class AudioSource {
    none,    // an all-zero spectrum, unless a pattern is asked for
    wavFile,
    rawPcm,  // 16-bit stereo on standard input
    demo,    // the built-in track
};

struct AudioRequest {
    AudioSource source = AudioSource::none;
    std::string path; // of a WAV file
    int rawPcmRate = 0;
};

// Opens the music for playing as it is decoded, its first block read, into `track`.
// Answers false with one line in `error` when the audio cannot be read; a run without an
// audio source leaves `track` closed and succeeds.
bool openAudio(const AudioRequest& request, TrackWindow& track, std::string& error);
