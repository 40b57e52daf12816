#pragma once
// The plug-in's face towards the host: the export, the module record, the four
// entry points and the run state they share.

#include "host/vis_module.h"

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
// Set by quitPlugin; renderPlugin draws nothing while it is set.
extern int quitting;

// Host message codes, sent as WM_USER with the code in lParam.
constexpr LPARAM hostVersionProbe = 505;
constexpr LPARAM hostWindowNotice = 611;

constexpr const char* pluginName = "zelVis";
