#pragma once
// The plug-in's own window with its double-buffered OpenGL context.

#include "host/vis_module.h"

struct DisplayContext {
    HINSTANCE instance;
    int fullscreenActive;
    HWND window;
    HGLRC glContext;
    HDC deviceContext;
};

extern DisplayContext displayContext;

constexpr const char* windowClassName = "f_zelvis";

int createDisplay(VisModule* module);
int destroyDisplay();
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Shows a failure to the user the one way the plug-in does: a box owned by the
// host window, captioned with the plug-in's name, blocking until closed.
void showFailure(const char* text);
