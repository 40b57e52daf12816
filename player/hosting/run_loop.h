#pragma once
// The rendering loop of one start, as the media player runs it on the start's
// thread: it delivers the thread's messages (WM_QUIT ends the loop), and otherwise
// fills the spectrum, calls render (nonzero ends the loop) and waits the plug-in's
// delayMs. Live, the spectrum follows the music as it plays; recording, the player's
// own clock. At a track's end the queue's next one plays on in the same start; the
// keys a listener presses on the loop's windows steer it (listening.h). When the run is
// done (its frames, or the queue's end) the loop asks the player to stop it and waits
// for the stop, as the player's stop button would.

#include "host_log.h"
#include "hosting/host_window.h"
#include "hosting/render_thread.h"
#include "hosting/spectrum_feed.h"
#include "hosting/start_options.h"
#include "live_playback.h"
#include "queue/play_queue.h"

#include <atomic>
#include <cstdint>
#include <string>

// The plug-in's clock at the first frame of a recording, and during its init.
constexpr std::uint32_t recordStartMs = 0;

// Render calls a host makes after destroying its window before it gives up
// waiting for the plug-in to end the visualisation.
constexpr long rendersAfterHostDestroyed = 50;

struct FrameLoop {
    VisModule* module = nullptr;
    const StartOptions* options = nullptr;
    HostLog* log = nullptr;
    HostWindow* player = nullptr;      // the player's main window, which stops starts
    HWND pluginWindow = nullptr;       // as announced to the host
    SpectrumFeed* feed = nullptr;
    RenderThread* renderer = nullptr;  // null: render on this thread
    std::atomic<bool>* stopFlag = nullptr;
    bool ownThread = false;            // the start runs on a thread of its own, not the player's
    LivePlayback* playback = nullptr;  // a track playing live
    PlayQueue* queue = nullptr;        // the music; null: none
    std::uint64_t recordFrames = 0;    // frames a recording renders: of the whole queue, where
                                       // known (for --progress), or the frames asked for
};

struct FrameLoopResult {
    long frames = 0;
    const char* reason = "frames-done";
    bool quitMessage = false;
    WPARAM exitCode = 0;        // of the WM_QUIT that ended the loop
    std::string failure;        // empty unless the run could not go on
    LONGLONG elapsedMs = 0;     // wall time of the whole loop
    double heardSeconds = 0.0;  // of a track played live, when the loop ended
};

// Renders until the run ends, and logs a summary of the render calls.
FrameLoopResult renderFrames(FrameLoop& run);

// The waits of a live run: the plug-in's delayMs, as far as it is sane.
DWORD liveDelayMs(const VisModule& module);
