#pragma once

#include "audio_stream.h"
#include "audio_track.h"

#include <cstdio>
#include <string>
#include <string_view>

// Headerless 16-bit little-endian stereo PCM, read to the end of `stream` (what
// `ffmpeg -f s16le -ac 2 -` writes), at the sample rate the user names, since the bytes
// carry none. The stream must deliver bytes untranslated (binary mode). It is read a block
// at a time as the track plays, once and forwards only, so it may be a pipe of any
// length; its length is known when it ends. A final partial frame (a stream cut off
// mid-frame) is dropped.
//
// On failure `error` holds one line, "<name>: <fault>". The stream stays the caller's.
bool openRawPcm16Stereo(std::FILE* stream, std::string_view name, int sampleRate,
                        AudioStream& audio, std::string& error);

// The whole stream at once, for tests; `track` is left unchanged on failure.
bool readRawPcm16Stereo(std::FILE* stream, std::string_view name, int sampleRate, AudioTrack& track,
                        std::string& error);
