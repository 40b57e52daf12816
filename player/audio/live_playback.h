#pragma once
// Playing the track through the system's audio output (waveOut), with a clock
// of what has been heard so far for the visualisation to follow. Where there is
// no output the track plays in silence on the performance counter, at the same
// pace.

#include "track_window.h"
#include "host_log.h"

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <cstdint>
#include <vector>

// The output is fed from a ring of buffers that the run loop refills between
// frames: 8 x 1/4 s keeps two seconds queued, more than the slowest frame takes.
constexpr int playbackBufferCount = 8;
constexpr int playbackBuffersPerSecond = 4;

struct LivePlayback {
    TrackWindow* track = nullptr;
    HostLog* log = nullptr;
    HWAVEOUT device = nullptr; // null: playing in silence
    size_t bufferFrames = 0;
    std::vector<std::int16_t> samples; // the ring's memory, 2 values a sample frame
    std::array<WAVEHDR, playbackBufferCount> headers{};
    std::uint64_t nextFrame = 0; // first sample frame not yet queued
    std::uint64_t originFrame = 0; // the track's frame at the output's position 0
    bool paused = false;
    bool silenceTold = false; // the user has heard why there is no sound: once a run
    LARGE_INTEGER frequency{};
    LARGE_INTEGER clockStart{}; // when the silent clock reads clockOffsetSeconds
    double clockOffsetSeconds = 0.0;
};

// Starts playing `track` from its first frame; the track must outlive the playback,
// which reads it on as it queues the sound card's buffers. When the output
// cannot be opened or fails later, says so once on stderr and goes on in
// silence; there is no failure to report.
void startPlayback(LivePlayback& playback, TrackWindow& track, HostLog& log);

// Seconds of the track heard so far; refills the output's buffers as they come back.
// Until the end of a track of unknown length is read, the track counts as endless.
double heardSeconds(LivePlayback& playback);

// The whole track has been heard.
bool playbackEnded(LivePlayback& playback);

// Stops the output at once and closes it.
void stopPlayback(LivePlayback& playback);

// The next track of a queue, in the record of the one before (`track` may be the same
// window, now holding the next track): played from its first frame, paused if the one
// before was.
void playNextTrack(LivePlayback& playback, TrackWindow& track);

// The listener's pause: the sound stops at once and the clock with it, until resumed.
void pausePlayback(LivePlayback& playback);
void resumePlayback(LivePlayback& playback);

// The listener's jump to `seconds` into the track (within it): what the output had
// queued is dropped, so the sound follows at once.
void seekPlayback(LivePlayback& playback, double seconds);
