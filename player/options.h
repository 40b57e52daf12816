#pragma once
// The player's command line.

#include <optional>
#include <string>
#include <vector>

struct PlayerOptions {
    std::string pluginPath;          // empty: vis_zel.dll beside the player
    std::optional<long> frames;      // render calls to make; none: until the plug-in quits
    bool oldHost = false;            // reply 0 to the version probe
    bool unattended = false;         // answer message boxes with OK instead of showing them
    bool showAbout = false;          // call the module's config entry before init
    std::string logPath;             // empty: no log
    std::vector<long> saveSwaps;     // swap indices whose frame is written as PNG
    bool saveLastSwap = false;       // also write the frame of the final swap
    std::string outDir = ".";
    std::optional<long> sendCloseAfter; // post WM_CLOSE to the plug-in window after this many frames
    bool help = false;
};

// Parses argv[1..]; on a mistake returns nothing and describes it in `error`.
std::optional<PlayerOptions> parseOptions(int argc, char** argv, std::string& error);

extern const char* const usageText;
