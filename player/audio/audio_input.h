#pragma once
// The music the player shows: a WAV file, raw PCM on standard input or the
// built-in demo track, as the command line chose.

#include "audio_track.h"
#include "options.h"

#include <string>

// Answers false with one line in `error` when the audio cannot be read; a run
// without an audio source leaves `track` empty and succeeds.
bool loadAudio(const PlayerOptions& options, AudioTrack& track, std::string& error);
