#pragma once
// Whether the plug-in's window is still there, and the frames drawn into it. Its
// owner may destroy it, and with it the window's device context, on the window's
// thread while a host renders on another. A frame announces itself before it looks
// at the window; the window procedure marks the window gone and then lets a frame
// already under way finish while the window and its device context still stand.
// It waits only so long: a render thread inside a host's hook or a driver's present
// may itself be waiting for the window's thread.

// On the window's thread, before the window is made: a new window is not gone.
void windowComing();
// On the window's thread, from WM_DESTROY: the window and its device context are
// released by the system as soon as the procedure returns.
void markWindowGone();
// On any thread.
bool windowGone();

// On the thread that renders: true when the window stands and stays standing until
// endFrameOnWindow, which must then follow; false, with nothing to end, once the
// window is gone.
bool beginFrameOnWindow();
void endFrameOnWindow();
