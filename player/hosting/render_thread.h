#pragma once
// Hosts that call render from a thread other than init's: a timer thread, or the
// audio decoder's. The start's own thread hands each render call over and goes on
// pumping its messages until the call returns.

#include "host/vis_module.h"

#include <functional>
#include <string>

struct RenderThread {
    HANDLE thread = nullptr;
    HANDLE go = nullptr;   // set by the start's thread: make the call
    HANDLE done = nullptr; // set by the render thread: the call returned
    VisModule* module = nullptr;
    int result = 0;
    bool quit = false;
};

// False, with the reason in `error`, when the thread cannot be had.
bool startRenderThread(RenderThread& render, std::string& error);
// Calls render on the render thread, or on this thread when `render` is null.
// `whileDrawing`, if any, runs on this thread once the render thread has been told
// to draw: what the player's user interface does while the frame is drawn.
int callRender(RenderThread* render, VisModule* module,
               const std::function<void()>& whileDrawing = nullptr);
// Ends the thread; accepts a thread that was never started.
void stopRenderThread(RenderThread& render);
