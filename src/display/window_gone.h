#pragma once
// Whether the plug-in's window is still there. Its owner may destroy it, and with
// it the window's device context, on the window's thread while a host renders on
// another. The window procedure only marks it gone, waiting for nobody: a render
// thread inside a host's hook or a driver's present may itself be waiting for the
// window's thread. Every render looks before it names the window's device context,
// and the display's teardown lets go of a gone window's handles without a call.

// On the window's thread, before the window is made: a new window is not gone.
void windowComing();
// On the window's thread, from WM_DESTROY: the window and its device context are
// released by the system as soon as the procedure returns.
void markWindowGone();
// On any thread.
bool windowGone();
