#pragma once
// The samples of a track around where it plays: a ring of sample frames filled from the
// stream as playback and analysis move on, so that the player's memory stays the same
// whatever the track's length. The spectrum, the waveform and the sound card all read
// through it, and get exactly the samples a whole decoded track would give them.

#include "audio_stream.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TrackWindow {
    AudioStream stream;
    std::size_t capacity = 0;        // frames the ring holds
    std::vector<float> left;         // the ring: frame f lies at f % capacity
    std::vector<float> right;        // empty for mono
    std::uint64_t first = 0;         // the first frame still held
    std::uint64_t end = 0;           // one past the last frame read
    bool ended = false;              // the stream has no more: the track is `end` frames long
    std::string failure;             // why the stream ended early, when it failed
};

// Audio the ring holds: the sound card's queue (2 s), the furthest a plug-in's latency
// looks ahead (1 s) and room to spare, plus the analysis spans and a read block.
constexpr int trackWindowSeconds = 4;
constexpr std::size_t trackReadFrames = 4096;

// Takes `stream` and reads its first block. Refuses, with one line in `error` and the
// stream closed, a stream that fails or holds not one sample frame.
bool openTrackWindow(TrackWindow& window, AudioStream stream, std::string& error);

void closeTrackWindow(TrackWindow& window);

// The track's length in sample frames, once known: from the source, or at its end.
std::optional<std::uint64_t> trackLength(const TrackWindow& window);

// How many of the `count` frames from `first` on the track has, reading on as far as
// needed to know.
std::size_t framesAvailable(TrackWindow& window, std::uint64_t first, std::size_t count);

// Copies `count` samples of `channel` (0 or 1; a mono track has channel 0 only) from frame
// `first` on into `out`, zero outside the track. Reads on as far as needed; a frame that
// the ring has already let go goes back to the start of the stream for it, where the
// stream can go back, and reads as silence where it cannot (a pipe, which is only ever
// read forwards).
void copyFrames(TrackWindow& window, int channel, std::int64_t first, std::size_t count, float* out);

// A listener's jump to `frame`: the stream is moved there at once where the ring does not
// hold it, so that reading on from `frame` does not decode everything between.
void seekTrackWindow(TrackWindow& window, std::uint64_t frame);
