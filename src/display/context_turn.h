#pragma once
// The plug-in's GL context on whichever thread renders. It stays current on the
// window's thread from init on; a host that renders on another thread gets it for
// the length of each frame, and the window's thread lets go of it when asked.

#include <windows.h>

// Posted to the plug-in's window: its thread releases the context if it holds it.
constexpr UINT contextReleaseRequest = WM_APP + 0x2A;

// What was current on the rendering thread before the frame took the context.
struct ContextTurn {
    HDC deviceContext;
    HGLRC context;
    bool taken;
};

// Makes the plug-in's context current for one frame. False when another thread
// holds it: the frame is skipped, the holder is asked to let go, nothing waits.
bool takeContext(ContextTurn& turn);
// Puts back what was current before takeContext, when it had to change it.
void giveBackContext(const ContextTurn& turn);
// On the window's thread: releases the context if it is current there.
void releaseContextOnRequest();
// The window went with a request in its queue: the next window may be asked again.
void forgetReleaseRequest();
