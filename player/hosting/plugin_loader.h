#pragma once
// Loading a visualisation DLL and reaching its first module the way the media
// player does: by the export's name, then module 0 of the header.

#include "host/vis_module.h"

#include <string>

struct LoadedPlugin {
    HMODULE library = nullptr;
    VisHeader* header = nullptr;
    VisModule* module = nullptr;
};

constexpr const char* headerExportName = "winampVisGetHeader";

// Returns false with a one-line reason in `error`; the library is freed again
// when the DLL loads but offers no usable module.
bool loadPlugin(const std::string& path, LoadedPlugin& plugin, std::string& error);

// Unloads the DLL; answers false when the system refused.
bool unloadPlugin(LoadedPlugin& plugin);

// vis_zel.dll in the folder of the running player.
std::string defaultPluginPath();
