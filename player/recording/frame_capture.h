#pragma once
// Captures the frames a plug-in presents: its call to SwapBuffers is redirected
// here, and the back buffer it is about to present is read while its GL context
// is still current on this thread.

#include "host_log.h"
#include "recording/video_output.h"

#include <windows.h>

#include <string>
#include <vector>

struct FrameCaptureRequest {
    std::vector<long> swaps; // swap indices to save; swap 0 is the plug-in's first present
    bool last = false;       // also save the final swap of the run
    std::string outDir;
};

// Redirects `plugin`'s gdi32 SwapBuffers import. Swaps are counted from here on.
bool installFrameCapture(HMODULE plugin, const FrameCaptureRequest& request, HostLog& log);

// Every frame presented from now on is also written to `video`, until
// stopVideoCapture. The video must outlive the capture.
void startVideoCapture(VideoOutput& video);
void stopVideoCapture();

// Number of presents the plug-in has made since installFrameCapture.
long presentedFrameCount();
// Of those, the ones the system refused: a swap on a device context whose window
// is gone, or on none.
long failedPresentCount();

// Time spent reading frames back and writing them, in milliseconds, not counting
// the wait for the plug-in's drawing to finish.
LONGLONG captureMilliseconds();

// Time spent in the system's SwapBuffers presenting the plug-in's frames, in
// milliseconds (under Wine: the copy of the frame to the X server).
LONGLONG presentMilliseconds();

// False once a presented frame could not be read back for the video or the video
// could not be written: a recording cannot go on after that.
bool videoCaptureHealthy();

// Writes the final swap when asked for and checks that every requested swap was
// saved; answers false, with the reason in `error`, when one was not.
bool finishFrameCapture(std::string& error);
