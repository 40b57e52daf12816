#pragma once
// Giving the plug-in's window the client area a recording or the user asks for:
// the plug-in opens it at a size of its own choosing and follows WM_SIZE.

#include <windows.h>

#include <string>

// Resizes `window`, keeping its own styles and position, so that its client
// area is `width` x `height`, and checks what the system granted. Answers
// false, with one line in `error`, when the size was refused or cut.
bool setClientSize(HWND window, int width, int height, std::string& error);
