#pragma once
// How each start of the visualisation runs: the plug-in it loads, the habits of the
// host that drives it, and what it records and traces. By default everything runs as
// the media player runs it.

#include "frame_analyser.h"
#include "spectrum_pattern.h"

#include <optional>
#include <string>
#include <vector>

// A key the player presses on the plug-in's window after a number of frames, as a
// listener would (--keys).
struct KeyPress {
    long afterFrames = 0;
    unsigned code = 0; // Windows' virtual-key code
};

struct FrameSize {
    int width = 0;
    int height = 0;
};

constexpr FrameSize defaultRecordSize{.width = 640, .height = 480};
constexpr int defaultFramesPerSecond = 30;

struct StartOptions {
    std::vector<std::string> pluginPaths; // start k loads the k-th, the last for the rest;
                                          // empty: vis_zel.dll beside the player
    std::optional<long> frames;      // render calls to make; none: until the plug-in quits
    bool unattended = false;         // answer message boxes with OK instead of showing them
    bool showAbout = false;          // call the module's config entry before init
    std::vector<long> saveSwaps;     // swap indices whose frame is written as PNG
    bool saveLastSwap = false;       // also write the frame of the final swap
    std::string outDir = ".";
    std::optional<long> sendCloseAfter; // post WM_CLOSE to the plug-in window after this many frames
    std::string glTracePath;         // empty: no trace of the plug-in's GL calls
    bool resizeOnNotice = false;     // fit the plug-in's window to the player's client area
    std::optional<long> destroyHostAfter; // destroy the player's window after this many frames

    bool keepLoaded = false;         // keep the DLL loaded between starts, not freed and reloaded
    bool renderThread = false;       // call render on a thread of its own, not init's
    bool ignoreInitResult = false;   // render and quit even after a failed init
    bool ignoreRenderResult = false; // go on rendering when render answers nonzero
    long rendersAfterQuit = 0;       // render calls made after quit
    bool quitTwice = false;
    bool waitForQuitMessage = false; // the rendering loop ends only on WM_QUIT
    bool nullInstance = false;       // leave dllInstance null
    std::optional<long> configAfter;   // the player's Configure button after this many frames
    std::optional<long> commandsAfter; // the player's commands to the plug-in's window
    std::optional<long> pauseAfter;    // pause for a second after this many frames
    std::vector<KeyPress> keyPresses;  // in the order given

    SpectrumScale scale = SpectrumScale::reference;
    std::optional<SpectrumPattern> pattern; // shown instead of music
    bool record = false;             // offline rendering on the player's own clock
    std::string videoOut;            // raw RGB frames; "-" is standard output; empty: none
    int fps = defaultFramesPerSecond;
    std::optional<FrameSize> size;   // client size of the plug-in window
    bool progress = false;           // "progress <done> <total>" on stderr per recorded frame
};
