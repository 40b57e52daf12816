#pragma once
// What the host can see of the plug-in's window and window class from outside.

#include "host_log.h"

#include <windows.h>

// The window class of the plug-in this player stands in for; its presence is
// checked after a run, whether or not the plug-in ever announced a window.
constexpr const char* pluginWindowClass = "f_zelvis";

// Class, title, styles, owner, client size and visibility of `window`.
JsonLine describePluginWindow(HWND window, HWND mainWindow);

// Whether `window` (may be null) still exists, whether any window of the plug-in's
// class does, and whether that class is still registered by `pluginInstance`.
JsonLine describeLeftovers(const char* event, HWND window, HINSTANCE pluginInstance);
