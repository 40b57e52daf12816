#pragma once
// Where the plug-in stands in the host's calls, and the host it answers to: the
// state that the display and the picture read while the entry points run them.

#include "host/vis_module.h"

#include <atomic>

// The VisModule given to the last initPlugin; host fields are reached through it.
extern VisModule* hostModule;

// Some hosts call render on another thread than init and quit, so the run state is
// read and written atomically.
enum class RunState {
    loaded,   // no init yet: render has nothing to draw into
    starting, // init is building the display
    ready,    // init succeeded: render draws, quit ends the run
    over,     // quit, or an init that failed: nothing is left, render asks to end
};
extern std::atomic<RunState> runState;

// The module the plug-in's code lives in: the host's dllInstance, or, where a host
// leaves that null, the module found from our own code's address.
HINSTANCE pluginInstance(const VisModule* module);

// Host message codes, sent as WM_USER with the code in lParam.
constexpr LPARAM hostVersionProbe = 505;
constexpr LPARAM hostWindowNotice = 611;

constexpr const char* pluginName = "zelVis";
