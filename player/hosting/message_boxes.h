#pragma once
// The plug-in's message boxes go through the player: each is logged, and in
// unattended runs answered with OK at once so that nothing waits for a person.

#include "host_log.h"

#include <windows.h>

// Redirects `plugin`'s user32 MessageBoxA import. `mainWindow` names the owner
// in the log.
bool installMessageBoxHook(HMODULE plugin, bool unattended, HWND mainWindow, HostLog& log);

// Message boxes the plug-in has shown so far.
long messageBoxCount();
