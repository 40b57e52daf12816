#pragma once
// One start of the visualisation, as the media player makes it on the start's
// thread: load the DLL, take module 0, fill in the host's fields, init; after a
// failed init no quit, only the DLL freed; otherwise the rendering loop, quit, and
// the DLL freed. The options add the habits of other hosts.

#include "host_log.h"
#include "hosting/host_window.h"
#include "hosting/plugin_loader.h"
#include "hosting/spectrum_feed.h"
#include "hosting/start_options.h"
#include "queue/play_queue.h"
#include "recording/video_output.h"

#include <atomic>
#include <cstdint>
#include <string>

// What one process of the player shares across its starts.
struct PlayerSession {
    const StartOptions* options = nullptr;
    HostLog* log = nullptr;
    HostWindow* player = nullptr; // the player's main window
    HostWindow* parent = nullptr; // the window that hears the plug-in's requests, if any
    HWND parentWindow = nullptr;  // what the module's parentWindow is set to
    PlayQueue* queue = nullptr;   // the music, decoded as it plays; null: none
    VideoOutput* video = nullptr;
    SpectrumFeed feed;
    std::uint64_t recordFrames = 0; // for --progress; 0 where a track's length is not known
    LoadedPlugin kept; // with --keep-loaded: the DLL the first start loaded
};

enum class RunOutcome {
    completed,  // the start ran and ended: frames done, the audio's end, WM_QUIT, render's answer
    initFailed, // init answered nonzero
    failed,     // the start could not go on; the reason is in `error`
};

// Start number `index` (from 0). `stopFlag` is the player's stop for this start.
RunOutcome runStart(PlayerSession& session, int index, std::atomic<bool>& stopFlag,
                    std::string& error);

// The DLL start `index` loads.
std::string pluginPathFor(const StartOptions& options, int index);
