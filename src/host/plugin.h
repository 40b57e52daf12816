#pragma once
// The plug-in's face towards the host: the export, the module record, the four
// entry points and the run state they share.

#include "host/vis_module.h"

#include <atomic>

extern "C" VisHeader* winampVisGetHeader();

VisModule* getModule(int index);
void showAbout(VisModule* module);
int initPlugin(VisModule* module);
int renderPlugin(VisModule* module);
int quitPlugin(VisModule* module);

extern VisHeader visHeader;
extern VisModule visModule;

// The VisModule given to the last initPlugin; host fields are reached through it.
extern VisModule* hostModule;

// Where the plug-in stands in the host's calls. Some hosts call render on another
// thread than init and quit, so it is read and written atomically.
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
