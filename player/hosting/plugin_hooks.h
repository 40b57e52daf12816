#pragma once
// What the player watches and replaces in each freshly loaded plug-in, through its
// imports: message boxes, presented frames, GL calls, the clock and GL contexts.

#include "host_log.h"
#include "hosting/start_options.h"

#include <windows.h>

#include <string>

// Installs every hook the options ask for into `plugin`, once per load of the DLL.
// False, with the reason in `error`, when a hook the run cannot do without fails.
bool installPluginHooks(HMODULE plugin, const StartOptions& options, HWND mainWindow,
                        HostLog& log, std::string& error);
