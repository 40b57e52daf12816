#pragma once
// The music the player shows: an audio file (WAV through the player's own reader,
// anything else through Windows' decoders), raw PCM on standard input or the
// built-in demo track.

#include "track_window.h"

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

// Opens the music as a stream, nothing of it read yet; a run without an audio source
// leaves `stream` empty and succeeds. Answers false with one line in `error` when the
// audio cannot be read.
bool openAudioStream(const AudioRequest& request, AudioStream& stream, std::string& error);

// Opens the music for playing as it is decoded, its first block read, into `track`.
// Answers false with one line in `error` when the audio cannot be read; a run without an
// audio source leaves `track` closed and succeeds.
bool openAudio(const AudioRequest& request, TrackWindow& track, std::string& error);
