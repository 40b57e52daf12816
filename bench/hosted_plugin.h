#pragma once
// The plug-in run natively as the benchmarks need it: inside the Win32 stand-in,
// on Mesa through EGL without a display, with the committed sprite picture.

#include "host/vis_module.h"

#include <string>

struct BenchWindow {
    HWND window;
    HDC deviceContext;
    HGLRC glContext;
};

// Loads the picture from `assetsDir` and brings the plug-in up; exits the
// program with a message when init fails.
VisModule* startPlugin(const std::string& assetsDir);

// A second stand-in window with a GL context of its own, for the floor.
BenchWindow openFloorWindow();

// Makes the window's context current and sizes its client area.
void useWindow(const BenchWindow& window, int width, int height);
BenchWindow pluginWindow();

// GL_RENDERER and GL_VERSION of the current context, as "renderer / version".
std::string rendererName();
