#pragma once
// The player's command line.

#include "audio_input.h"
#include "hosting/start_options.h"

#include <optional>
#include <string>

// The window the plug-in is given as its host's (parentWindow).
enum class ParentWindow {
    player, // the player's main window, which answers the plug-in's requests
    none,   // --parent null
    desktop,
    hidden, // a hidden 0 x 0 window of the player's that answers like its main window
};

// The largest side --size takes; beyond it no screen or GL driver would follow anyway.
constexpr int maxFrameSide = 16384;
constexpr long maxStarts = 1000;

// What each start does, and what the process around the starts does.
struct PlayerOptions : StartOptions {
    bool oldHost = false;            // reply 0 to the version probe
    std::string logPath;             // empty: no log
    long starts = 1;                 // starts of the visualisation in this one process
    bool singleThread = false;       // init, render and quit on the thread of the player's window
    bool stopWithoutPumping = false; // the player waits for the rendering thread without pumping
    ParentWindow parent = ParentWindow::player;

    AudioSource audio = AudioSource::none;
    std::vector<std::string> audioPaths; // files and folders to play, in order: bare paths,
                                         // then --audio ones
    int rawPcmRate = 0;              // --raw-pcm
    std::string demoWavPath;         // --write-demo-wav: write the demo track and exit
    std::string decodedWavPath;      // --write-decoded-wav: write the decoded audio and exit

    std::optional<long> watchdogSeconds; // end a run that takes no step for this long

    std::string infoText;            // --help or --version: printed instead of a run
};

// Parses argv[1..]. Without any argument (a double-click) the built-in track plays live.
// On a mistake, or a combination that cannot work, returns nothing and
// describes it in `error`, in one line that names the option.
std::optional<PlayerOptions> parseOptions(int argc, char** argv, std::string& error);
