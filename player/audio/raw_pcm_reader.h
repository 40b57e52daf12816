#pragma once

#include "audio_track.h"

#include <cstdio>
#include <string>
#include <string_view>

// Headerless 16-bit little-endian stereo PCM, read to the end of `stream` (what
// `ffmpeg -f s16le -ac 2 -` writes), at the sample rate the user names, since the bytes
// carry none. The stream must deliver bytes untranslated (binary mode). A final partial
// frame (a stream cut off mid-frame) is dropped.
//
// On failure `error` holds one line, "<name>: <fault>", and `track` is left unchanged.
bool readRawPcm16Stereo(std::FILE* stream, std::string_view name, int sampleRate, AudioTrack& track,
                        std::string& error);
