#pragma once
// The listener's side of a start: the queue's tracks played one after another, the keys
// that steer them while the visualisation has the focus, and the player's window title
// that says what is playing. The rendering loop (run_loop.h) calls in here between
// frames; the plug-in sees nothing of it but the music it is fed.

#include "hosting/full_screen.h"
#include "hosting/run_loop.h"

#include <cstdint>
#include <string>

struct Listening {
    std::uint64_t trackFrame = 0;  // frames shown of the track playing
    bool paused = false;
    bool queueEnded = false;       // the last track has played out, or was skipped past
    FullScreen fullScreen;
    std::string title;             // the window title last asked for
    std::size_t titledTrack = SIZE_MAX; // the track and pause the last logged title showed
    bool titledPaused = false;
};

// The track playing begins in this start: logged, its digest started, the host's fields
// set for it.
void beginTrack(const FrameLoop& run, Listening& listening);

// The track playing has played out (live: heard to its end; recording: past its last
// frame): the next one that plays takes its place. False at the end of the queue.
bool playOn(FrameLoop& run, Listening& listening);

// Seconds into the track playing.
double trackPosition(const FrameLoop& run, const Listening& listening);

// A key pressed on a window of the loop's thread: acted on, and logged.
void actOnKey(FrameLoop& run, Listening& listening, unsigned code, bool repeated);

// The player's window title for the track playing, as it stands.
void showNowPlaying(FrameLoop& run, Listening& listening);

// The start is over: the track's end logged (`reason`, the loop's), the screen given back.
void endListening(FrameLoop& run, Listening& listening, const char* reason);
