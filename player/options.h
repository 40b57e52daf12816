#pragma once
// The player's command line.

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

// The largest side --size takes; beyond it no screen or GL driver would follow anyway.
constexpr int maxFrameSide = 16384;
constexpr int defaultFramesPerSecond = 30;
constexpr FrameSize defaultRecordSize{.width = 640, .height = 480};

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
    std::string glTracePath;         // empty: no trace of the plug-in's GL calls
    bool singleThread = false;       // init, render and quit on the thread of the player's window
    bool resizeOnNotice = false;     // fit the plug-in's window to the player's client area
    std::optional<long> destroyHostAfter; // destroy the player's window after this many frames
    bool help = false;

    AudioSource audio = AudioSource::none;
    std::string audioPath;           // --audio
    int rawPcmRate = 0;              // --raw-pcm
    std::optional<SpectrumPattern> pattern;
    std::string demoWavPath;         // --write-demo-wav: write the demo track and exit
    bool record = false;             // offline rendering on the player's own clock
    std::string videoOut;            // raw RGB frames; "-" is standard output; empty: none
    int fps = defaultFramesPerSecond;
    std::optional<FrameSize> size;   // client size of the plug-in window
    bool progress = false;           // "progress <done> <total>" on stderr per recorded frame
};

// Parses argv[1..]; on a mistake, or a combination that cannot work, returns nothing and
// describes it in `error`.
std::optional<PlayerOptions> parseOptions(int argc, char** argv, std::string& error);

extern const char* const usageText;
