#pragma once
// Audio decoded as it plays. A source hands over the next block of sample frames at each
// read, so the player never holds more of a track than the window around where it plays
// (track_window.h), whatever the track's length.

#include "audio_track.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct AudioStream {
    std::string name;  // the file, or "standard input", for messages
    int sampleRate = 0;
    int channels = 0;  // 1 or 2: the channels the player keeps
    // In sample frames, where the source knows it before reaching the end.
    std::optional<std::uint64_t> length;
    // Where `length` is unknown: what the file declares, a compressed file's estimate,
    // for the listener's eyes only.
    std::optional<std::uint64_t> declaredLength;
    // Writes up to `capacity` frames from where the last read ended, channel 0 into `left`
    // and channel 1 into `right` (untouched for mono). Answers the frames written, 0 at the
    // end of the audio, and nothing, with one line in `error`, when the source fails.
    std::function<std::optional<std::size_t>(float* left, float* right, std::size_t capacity,
                                             std::string& error)>
        read;
    // The next read starts at `frame` (0: the first; past the end: the end). Exact for
    // every source but a compressed file, whose decoder lands near it. Empty where the
    // source can be read only once, forwards (a pipe).
    std::function<bool(std::uint64_t frame, std::string& error)> seek;
    // Lets go of what the source holds open; empty where it holds nothing.
    std::function<void()> close;
};

// The fault of a stream that ends before its first sample frame.
constexpr const char* noAudioFault = "no audio: the stream ended before one sample frame";

// Closes the source, if open, and empties the record.
void closeAudioStream(AudioStream& stream);

// A stream over a track already held whole, for tests and tools.
AudioStream trackStream(AudioTrack track, std::string name);

// Reads the rest of `stream` into `track`: for tools and tests that want a short track
// whole. On failure `error` holds one line and `track` is left unchanged.
bool readWholeStream(AudioStream& stream, AudioTrack& track, std::string& error);
