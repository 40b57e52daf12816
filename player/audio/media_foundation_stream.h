#pragma once
// Compressed music as the player streams it: Windows' decoder (media_foundation_reader.h)
// read a block at a time as the track plays.

#include "audio_stream.h"

#include <string>

// On failure `error` holds one line, "<path>: <fault>", and nothing is left open.
//
// NOTE: the main thread opens the decoder and stays in COM's multithreaded apartment
// until it closes it, so the threads of the starts, which read it, are in that apartment
// too (implicitly), as the source reader, a free-threaded object, allows.
bool openMediaFoundationStream(const std::string& path, AudioStream& stream, std::string& error);

// NOTE: under Wine a decoder's GStreamer threads wind down for a while after its reader
// is released; a process that ends at once (the player closes its last track just before
// it exits) crashes in one of them about one time in five. The player calls this last,
// so that they finish first; tracks closed earlier, between tracks of a queue, have had
// their time. On Windows it only makes the player end a moment later.
void awaitDecoderWindDown();
