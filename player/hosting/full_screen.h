#pragma once
// The player's F key: the plug-in's window made to fill the screen it is on, and brought
// back to its own size and place, as hosts that fit the plug-in into a frame of their
// own move and size it. The plug-in follows through WM_SIZE; the screen's mode is never
// changed.

#include <windows.h>

struct FullScreen {
    HWND window = nullptr;    // the plug-in's window while it fills the screen; null: not
    RECT restored{};          // its place and size before
    LONG_PTR style = 0;       // and its style, with the frame that filling the screen drops
};

// Fills the screen with `window`, or gives it back what it had; answers whether the
// system did as asked.
bool toggleFullScreen(FullScreen& state, HWND window);
