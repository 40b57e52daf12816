#pragma once
// One visualisation run, as the media player drives it: init, a render call per
// frame while the host's messages are pumped, quit.

#include "host_log.h"
#include "host_window.h"
#include "options.h"
#include "plugin_loader.h"

enum class RunOutcome {
    completed,   // frames done, a WM_QUIT from the plug-in, or the player's window closed
    initFailed,  // init answered nonzero
};

RunOutcome runPlugin(const LoadedPlugin& plugin, HostWindow& host, const PlayerOptions& options,
                     HostLog& log);
