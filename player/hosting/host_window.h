#pragma once
// The player's main window: the window a visualisation plug-in is given as its
// parent, and the one that answers the plug-in's WM_USER requests.

#include "host_log.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

// lParam codes of the WM_USER requests a visualisation plug-in sends its host.
constexpr LPARAM versionProbeCode = 505;
constexpr LPARAM windowNoticeCode = 611;

// The reply to the version probe: any nonzero value says "5.0 or later".
constexpr LRESULT hostVersionReply = 0x5000;

// Sent to the player's window to have it destroy itself on its own thread.
constexpr UINT hostDestroyRequest = WM_APP + 1;
// Posted by a start's thread to the player's window, so that the player acts on its
// own thread while the visualisation goes on: stop the visualisation; press the
// Configure button (wParam: the module); send the player's commands to the plug-in's
// window (wParam: that window).
constexpr UINT hostStopRequest = WM_APP + 2;
constexpr UINT hostConfigRequest = WM_APP + 3;
constexpr UINT hostCommandsRequest = WM_APP + 4;
// Posted by a start's thread: show the title the window holds for it (wParam nonzero:
// and log what the window then says).
constexpr UINT hostTitleRequest = WM_APP + 5;

// The commands the media player sends a visualisation's window from its menus.
constexpr WORD firstVisCommand = 40382;
constexpr WORD lastVisCommand = 40391;

// The window lives on the main thread and the plug-in may run on another, so
// what both threads read is atomic.
struct HostWindow {
    std::atomic<HWND> window = nullptr;       // null once destroyed
    std::atomic<HWND> pluginWindow = nullptr; // from the latest window notice; null after a withdrawal
    bool oldHost = false;                     // reply 0 to the version probe
    bool resizeOnNotice = false;              // keep the plug-in's window at the client size
    std::atomic<bool> closeRequested = false; // the user closed the player's window
    std::atomic<bool> stopRequested = false;  // a start's run is done: stop it
    HostLog* log = nullptr;
    std::mutex titleLock{};                   // guards `title`, written by a start's thread
    std::wstring title{};                     // what the window is to show next
};

enum class HostWindowKind {
    main,   // the player's window, shown
    hidden, // a hidden 0 x 0 window that answers as the player's does
};

// Creates the window (registering the class with the first one) and shows the main
// kind; `host` must outlive it.
bool createHostWindow(HINSTANCE instance, HostWindow& host, HostWindowKind kind, std::string& error);
void destroyHostWindow(HostWindow& host);

// Has the main window show `title` (UTF-8) as soon as its thread gets to it, from any
// thread, without waiting; `logged`: the window's title is logged once it is shown.
void showHostTitle(HostWindow& host, const std::string& title, bool logged);
// Once every host window is destroyed.
void unregisterHostWindowClass();

// Logs `window` under `key` as "player-main-window" when it is the player's own
// window, and as its raw handle value otherwise.
void addWindowField(JsonLine& line, const char* key, HWND window, HWND mainWindow);
