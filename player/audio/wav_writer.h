#pragma once

#include "audio_stream.h"
#include "audio_track.h"

#include <cstdint>
#include <string>
#include <vector>

// 16-bit PCM WAV of the track's one or two channels. Samples are scaled by 32768 and
// clipped, the inverse of the reader's scaling, so 16-bit audio passes through unchanged.

// A track longer than a RIFF file holds (4 GiB) is refused by writeWav16File.
std::vector<std::uint8_t> encodeWav16(const AudioTrack& track);

// On failure `error` holds one line, "<path>: <fault>".
bool writeWav16File(const std::string& path, const AudioTrack& track, std::string& error);

// The rest of `stream`, a block at a time, so a track of any length up to what a WAV
// file holds is written in the same memory. A stream that fails or holds no sample frame
// leaves no file behind; `error` says why in one line.
bool writeWav16File(const std::string& path, AudioStream& stream, std::string& error);
