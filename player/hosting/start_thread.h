#pragma once
// The threads of the media player: its window and message loop on the main thread,
// each start of the visualisation on a new thread of its own that loads the DLL,
// runs it and frees it again. The plug-in's requests to the player's window then
// cross threads, as they do in the player.

#include "hosting/host_window.h"

#include <atomic>
#include <functional>
#include <string>

// How the player stops a start: it sets the start's stop flag, then pumps its own
// messages for at most two seconds while it waits for the thread to end, then waits
// without pumping. We bound that last wait, where the player waits for ever.
constexpr DWORD stopPumpMs = 2000;
constexpr DWORD stopUnpumpedBoundMs = 20000;

struct StartThreadResult {
    bool started = false; // the thread ran `work`
    bool ended = true;    // false: it did not end within the bound after the stop
};

// Runs `work` on a new thread while this thread dispatches its windows' messages.
// When the player is asked to stop (a closed window, or the start posting
// hostStopRequest), sets `stopFlag` and waits as above; `pumpWhileStopping` false
// plays a player that waits without pumping at all. Logs the stop.
StartThreadResult runStartThread(const std::function<void()>& work, HostWindow& host,
                                 std::atomic<bool>& stopFlag, bool pumpWhileStopping, HostLog& log,
                                 std::string& error);
