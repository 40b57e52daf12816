#pragma once
// The music of a run as the player plays it: the files it was given in order, or one
// other source (the built-in track, raw PCM on standard input), with the track playing
// open and decoded as it plays. One start of the plug-in plays the whole queue; a file
// that will not play is named once and passed over.

#include "audio_input.h"
#include "host_log.h"
#include "track_window.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct PlayQueue {
    std::vector<AudioRequest> items; // in play order
    std::size_t index = 0;           // the item playing
    TrackWindow track;               // its samples, around where it plays; stays at one address
    std::vector<bool> refused;       // items that would not play, named once each
    std::string lastFault;           // why the last item tried would not play, in one line
    std::vector<bool> toldCutShort;  // items whose damage the user has heard of
    // Runs work on the thread that opens and closes the tracks (see media_foundation_reader.h);
    // unset: the calling thread.
    std::function<void(const std::function<void()>& work)> onPlayerThread;
    HostLog* log = nullptr;
};

// The queue of `files` (see queue_files.h), or of the one source `single` asks for.
PlayQueue makePlayQueue(const std::vector<std::string>& files, const AudioRequest& single);

// Plays the first item that opens from `from` on, stepping by `step` (1 or -1), in place of
// the track playing, which is closed. False when none opens that way: the track playing
// stays, and `lastFault` says why the last one tried would not play. In a queue of more
// than one item, each that will not play is named to the user once (console_text.h);
// the fault of the only one is the caller's to tell.
bool playQueueItem(PlayQueue& queue, std::size_t from, int step);

bool queuePlaysFiles(const PlayQueue& queue);

void closePlayQueue(PlayQueue& queue);
