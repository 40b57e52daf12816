#pragma once
// Counts the GL contexts a plug-in makes and does not delete, by redirecting its
// wglCreateContext and wglDeleteContext imports: what a start leaves behind in the
// player's process.

#include <windows.h>

// False when the plug-in imports neither function.
bool installContextWatch(HMODULE plugin);
// Contexts made and not deleted since the first install, over every load.
long liveContextCount();
