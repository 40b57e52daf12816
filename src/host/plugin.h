#pragma once
// The plug-in's face towards the host: the export, the module record, the four
// entry points.

#include "host/run_state.h"
#include "host/vis_module.h"

extern "C" VisHeader* winampVisGetHeader();

VisModule* getModule(int index);
void showAbout(VisModule* module);
int initPlugin(VisModule* module);
int renderPlugin(VisModule* module);
int quitPlugin(VisModule* module);

extern VisHeader visHeader;
extern VisModule visModule;
