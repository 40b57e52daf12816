#pragma once

#include "audio_stream.h"
#include "audio_track.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

// WAV files: PCM 8, 16, 24 or 32-bit integer and 32-bit float, plain or
// WAVE_FORMAT_EXTENSIBLE, any channel count (the first two are kept), any rate in
// minSampleRate..maxSampleRate. Anything else, and any damaged structure, is refused.
// The header is checked whole when the file is opened; the samples are read a block at a
// time as the track plays, so a file of any length plays in the same memory.
//
// A chunk or RIFF size of 0xFFFFFFFF is the mark that streaming encoders (ffmpeg, sox)
// leave when they cannot seek back to fill in the length; for the RIFF and data chunks
// it is read as "to the end of the file", whole sample frames only. Every other size must
// fit inside the file: a data chunk that runs past the end is a truncated file and is
// refused rather than played short.
//
// On failure `error` holds one line, "<name>: <fault>".

// Where the reader takes the file's bytes: the file itself, or a copy of it in memory.
struct WavBytes {
    std::uint64_t size = 0;
    // Reads exactly `count` bytes at `offset`; false when they cannot be had.
    std::function<bool(std::uint64_t offset, std::uint8_t* out, std::size_t count)> readAt;
    std::function<void()> close;  // empty where nothing is held open
};

// The bytes of a data block read at once, whatever the frame size.
constexpr std::size_t wavReadBytes = std::size_t{1} << 16;

// Checks the header and opens the stream of its samples; on failure the bytes are closed.
bool openWavStream(WavBytes bytes, std::string_view name, AudioStream& stream, std::string& error);
WavBytes wavBytesInMemory(std::span<const std::uint8_t> file);
bool openWavFile(const std::string& path, AudioStream& stream, std::string& error);

// The whole file at once, for tools and tests; `track` is left unchanged on failure.
bool decodeWav(std::span<const std::uint8_t> file, std::string_view name, AudioTrack& track,
               std::string& error);
bool readWavFile(const std::string& path, AudioTrack& track, std::string& error);
