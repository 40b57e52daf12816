#pragma once
// The recorded video: raw RGB24 frames, top row first, one after the other, for a
// pipe into an encoder or a file. A file is written under a temporary name and
// takes its own only when the whole recording is in it, so a failed run leaves no
// half-written video behind. A device or pipe given by name is written in place.

#include <cstdint>
#include <cstdio>
#include <string>

struct VideoOutput {
    std::string path;     // as given; "-" is standard output
    std::string partPath; // the file being written, renamed to `path` at the end
                          // unless it is `path` itself
    std::FILE* stream = nullptr;
    int width = 0;
    int height = 0;
    long frames = 0;
    std::string failure;  // first write error; nothing more is written after it
};

constexpr const char* videoToStdout = "-";

// Frames must all be `width` x `height`.
bool openVideoOutput(VideoOutput& video, const std::string& path, int width, int height,
                     std::string& error);

// `bottomUp` holds height rows of width x 3 bytes, the bottom row first, as GL reads
// them; they are written top row first. Answers false once writing has failed.
bool writeVideoFrame(VideoOutput& video, const std::uint8_t* bottomUp, int width, int height);

// Flushes and closes the stream and gives a file its name; on failure the partial
// file is removed and `error` says why.
bool finishVideoOutput(VideoOutput& video, std::string& error);

// Closes the stream and removes the partial file: the run failed.
void abandonVideoOutput(VideoOutput& video);
