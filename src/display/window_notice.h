#pragma once
// The plug-in's window as the host learns of it: announced once the GL context is
// current, withdrawn before the display is torn down.

#include <windows.h>

void announceWindow(HWND host, HWND window);
void withdrawWindow(HWND host);

// How long a withdrawal waits for a host window of another thread to answer.
constexpr UINT withdrawTimeoutMs = 1000;
