#pragma once
// The files a queue plays, from what the player is given (or what is dropped on it): a
// file as it is, a folder as the audio files inside it, subfolders included, each folder's
// in the natural order of their names (track 2 before track 10).

#include <string>
#include <vector>

struct QueueFiles {
    std::vector<std::string> files;  // UTF-8 paths, in play order
    std::vector<std::string> notes;  // one line for each folder that holds no audio
};

// A name that is not a folder (or names nothing) is queued as it is, for the player to
// try and to name if it will not play.
QueueFiles listQueueFiles(const std::vector<std::string>& given);

// Whether a file in a folder is taken for audio: by its extension, as Explorer tells
// a file's kind.
bool hasAudioExtension(const std::string& name);
