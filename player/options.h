#pragma once
// The player's command line.

#include "frame_analyser.h"
#include "spectrum_pattern.h"

#include <optional>
#include <string>
#include <vector>

enum class AudioSource {
    none,    // an all-zero spectrum, unless a pattern is asked for
    wavFile, // --audio FILE
    rawPcm,  // --raw-pcm RATE: 16-bit stereo on standard input
    demo,    // --demo-track
};

struct FrameSize {
    int width = 0;
    int height = 0;
};

// The window the plug-in is given as its host's (parentWindow).
enum class ParentWindow {
    player, // the player's main window, which answers the plug-in's requests
    none,   // --parent null
    desktop,
    hidden, // a hidden 0 x 0 window of the player's that answers like its main window
};

// The largest side --size takes; beyond it no screen or GL driver would follow anyway.
constexpr int maxFrameSide = 16384;
constexpr int defaultFramesPerSecond = 30;
constexpr long maxStarts = 1000;
constexpr FrameSize defaultRecordSize{.width = 640, .height = 480};

struct PlayerOptions {
    std::vector<std::string> pluginPaths; // start k loads the k-th, the last for the rest;
                                          // empty: vis_zel.dll beside the player
    std::optional<long> frames;      // render calls to make; none: until the plug-in quits
    bool oldHost = false;            // reply 0 to the version probe
    bool unattended = false;         // answer message boxes with OK instead of showing them
    bool showAbout = false;          // call the module's config entry before init
    std::string logPath;             // empty: no log
    std::vector<long> saveSwaps;     // swap indices whose frame is written as PNG
    bool saveLastSwap = false;       // also write the frame of the final swap
    std::string outDir = ".";
    std::optional<long> sendCloseAfter; // post WM_CLOSE to the plug-in window after this many frames
    std::string glTracePath;         // empty: no trace of the plug-in's GL calls
    bool singleThread = false;       // init, render and quit on the thread of the player's window
    bool resizeOnNotice = false;     // fit the plug-in's window to the player's client area
    std::optional<long> destroyHostAfter; // destroy the player's window after this many frames
    bool help = false;

    // How the host drives the plug-in; by default as the media player does.
    long starts = 1;                 // starts of the visualisation in this one process
    bool keepLoaded = false;         // keep the DLL loaded between starts, not freed and reloaded
    bool renderThread = false;       // call render on a thread of its own, not init's
    bool ignoreInitResult = false;   // render and quit even after a failed init
    bool ignoreRenderResult = false; // go on rendering when render answers nonzero
    long rendersAfterQuit = 0;       // render calls made after quit
    bool quitTwice = false;
    bool stopWithoutPumping = false; // the player waits for the rendering thread without pumping
    bool waitForQuitMessage = false; // the rendering loop ends only on WM_QUIT
    ParentWindow parent = ParentWindow::player;
    bool nullInstance = false;       // leave dllInstance null
    std::optional<long> configAfter;   // the player's Configure button after this many frames
    std::optional<long> commandsAfter; // the player's commands to the plug-in's window
    std::optional<long> pauseAfter;    // pause for a second after this many frames
    SpectrumScale scale = SpectrumScale::reference;

    AudioSource audio = AudioSource::none;
    std::string audioPath;           // --audio, or a bare file path
    int rawPcmRate = 0;              // --raw-pcm
    std::optional<SpectrumPattern> pattern;
    std::string demoWavPath;         // --write-demo-wav: write the demo track and exit
    bool record = false;             // offline rendering on the player's own clock
    std::string videoOut;            // raw RGB frames; "-" is standard output; empty: none
    int fps = defaultFramesPerSecond;
    std::optional<FrameSize> size;   // client size of the plug-in window
    bool progress = false;           // "progress <done> <total>" on stderr per recorded frame
};

// Parses argv[1..]. Without any argument (a double-click) the built-in track plays live.
// On a mistake, or a combination that cannot work, returns nothing and
// describes it in `error`.
std::optional<PlayerOptions> parseOptions(int argc, char** argv, std::string& error);

extern const char* const usageText;
