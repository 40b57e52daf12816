#pragma once
// Compressed music (MP3, AAC/M4A, WMA, FLAC, ALAC, and whatever codecs the user has
// added) decoded by Windows itself, through Media Foundation's source reader, a block
// at a time, so that a caller holds only what it asks for.
//
// NOTE: the source reader is a COM object. Open, read and close it on one thread:
// open joins that thread to COM's multithreaded apartment (a thread already in an
// apartment stays in its own) and close leaves it again. While a plug-in runs, that
// is a thread of the player's own that never calls the plug-in: a plug-in may join
// its thread to an apartment of its choosing, and would fail where the player had
// joined it to another first.

#include <cstdint>
#include <string>
#include <vector>

struct IMFSourceReader;

struct MediaFoundationReader {
    IMFSourceReader* reader = nullptr;
    std::string name;          // the file's, for messages
    int sampleRate = 0;        // minSampleRate..maxSampleRate
    int channels = 0;          // as decoded, every one of them
    int bitsPerSample = 0;     // of the decoder's PCM: 8, 16, 24 or 32
    // The length the file declares, in sample frames; 0 where it declares none. Compressed
    // files only estimate it: the decoder may hand out a little more or less.
    std::uint64_t declaredFrames = 0;
    std::uint64_t framesRead = 0;
    bool ended = false;        // the decoder has said end of stream
    bool comJoined = false;    // open's CoInitializeEx, which close balances
    bool started = false;      // open's MFStartup, which close balances
};

// Opens `path` (UTF-8) and asks for its first audio stream as PCM. On failure
// `error` holds one line, "<path>: <fault>", and nothing is left open.
bool openMediaFoundationReader(const std::string& path, MediaFoundationReader& reader,
                               std::string& error);

enum class BlockStatus {
    samples, // `samples` holds one or more whole frames
    end,     // the stream has ended; `samples` is empty
    failed,  // `error` holds one line; the reader can only be closed
};

// The next block the decoder hands out, replacing what `samples` held: interleaved
// frames of `channels` samples each, scaled to -1..1 as the WAV reader scales PCM.
BlockStatus readMediaFoundationBlock(MediaFoundationReader& reader, std::vector<float>& samples,
                                     std::string& error);

// Releases what open took; safe on a reader that failed to open or was closed already.
void closeMediaFoundationReader(MediaFoundationReader& reader);
