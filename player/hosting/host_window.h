#pragma once
// The player's main window: the window a visualisation plug-in is given as its
// parent, and the one that answers the plug-in's WM_USER requests.

#include "host_log.h"

#include <windows.h>

#include <atomic>
#include <string>

// lParam codes of the WM_USER requests a visualisation plug-in sends its host.
constexpr LPARAM versionProbeCode = 505;
constexpr LPARAM windowNoticeCode = 611;

// The reply to the version probe: any nonzero value says "5.0 or later".
constexpr LRESULT hostVersionReply = 0x5000;

// Sent to the player's window to have it destroy itself on its own thread.
constexpr UINT hostDestroyRequest = WM_APP + 1;

// The window lives on the main thread and the plug-in may run on another, so
// what both threads read is atomic.
struct HostWindow {
    std::atomic<HWND> window = nullptr;       // null once destroyed
    std::atomic<HWND> pluginWindow = nullptr; // from the latest window notice; null after a withdrawal
    bool oldHost = false;                     // reply 0 to the version probe
    bool resizeOnNotice = false;              // keep the plug-in's window at the client size
    std::atomic<bool> closeRequested = false; // the user closed the player's window
    HostLog* log = nullptr;
};

// Registers the class and creates and shows the window; `host` must outlive it.
bool createHostWindow(HINSTANCE instance, HostWindow& host, std::string& error);
void destroyHostWindow(HostWindow& host);

// Logs `window` under `key` as "player-main-window" when it is the player's own
// window, and as its raw handle value otherwise.
void addWindowField(JsonLine& line, const char* key, HWND window, HWND mainWindow);
