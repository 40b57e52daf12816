#pragma once

#include "audio_track.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// WAV files: PCM 8, 16, 24 or 32-bit integer and 32-bit float, plain or
// WAVE_FORMAT_EXTENSIBLE, any channel count (the first two are kept), any rate in
// minSampleRate..maxSampleRate. Anything else, and any damaged structure, is refused.
//
// A chunk or RIFF size of 0xFFFFFFFF is the mark that streaming encoders (ffmpeg, sox)
// leave when they cannot seek back to fill in the length; for the RIFF and data chunks
// it is read as "to the end of the file", whole sample frames only. Every other size must
// fit inside the file: a data chunk that runs past the end is a truncated file and is
// refused rather than played short.
//
// On failure `error` holds one line, "<name>: <fault>", and `track` is left unchanged.

bool decodeWav(std::span<const std::uint8_t> file, std::string_view name, AudioTrack& track,
               std::string& error);

// Files larger than this are refused before they are read.
constexpr std::uint64_t maxWavFileBytes = std::uint64_t{1} << 30;

bool readWavFile(const std::string& path, AudioTrack& track, std::string& error);
