#pragma once

#include <cstdint>

// When each frame happens, for the two ways the player runs a visualisation.
//
// Recording: frame k is rendered on a clock of the player's own, so that the same input
// gives the same video on every run whatever the machine's speed. The plug-in's
// millisecond clock reads start + floor(k x 1000 / fps), wrapping as the system's tick
// count does, and the audio it is shown is the audio at k / fps seconds.
//
// Live: the picture appears latencyMs after the render call that draws it, so the host
// shows the audio that will be heard by then.

// A frame rate the player accepts: at least one frame a second, and at most one a
// millisecond, the resolution of the plug-in's clock.
constexpr int minFramesPerSecond = 1;
constexpr int maxFramesPerSecond = 1000;

// Longest latency a plug-in may ask for: a larger value is taken as this, a negative one as 0.
constexpr int maxLatencyMs = 1000;

std::uint32_t recordClockMs(std::uint32_t startMs, std::uint64_t frame, int fps);

double recordFrameSeconds(std::uint64_t frame, int fps);

// Frames that cover `sampleFrames` samples at `sampleRate` Hz: the duration times fps,
// rounded up, so the last partial frame's worth of audio is shown too.
std::uint64_t recordFrameCount(std::uint64_t sampleFrames, int sampleRate, int fps);

// The sample frame at recorded frame `frame`'s time, floor(frame x sampleRate / fps): a
// recording shows frame k exactly while the track holds this sample, which is the count
// above, for a track whose length is known only once it ends.
std::uint64_t recordFrameSample(std::uint64_t frame, int sampleRate, int fps);

// The audio time to analyse for a frame rendered when `heardSeconds` of the track have
// been heard, for a plug-in whose pictures reach the screen `latencyMs` later.
double liveAnalysisSeconds(double heardSeconds, int latencyMs);
