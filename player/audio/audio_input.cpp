#include "audio_input.h"

#include "demo_track.h"
#include "raw_pcm_reader.h"
#include "utf8_file.h"
#include "wav_reader.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

bool loadAudio(const AudioRequest& request, AudioTrack& track, std::string& error)
{
    switch (request.source) {
    case AudioSource::none:
        return true;
    case AudioSource::wavFile:
        if (!readWavFile(request.path, track, error)) {
            // Converting helps only a file that is there to be read.
            if (std::FILE* file = openFileUtf8(request.path, "rb")) {
                std::fclose(file);
                error += " (zelplay plays WAV files of 8-, 16-, 24- or 32-bit PCM or 32-bit float; "
                         "convert other audio to WAV first)";
            }
            return false;
        }
        return true;
    case AudioSource::rawPcm:
        // NOTE: in text mode the C runtime would drop 0x0D bytes before 0x0A and stop
        // at the first 0x1A, both common in PCM.
        if (_setmode(_fileno(stdin), _O_BINARY) == -1) {
            error = std::string("cannot put standard input in binary mode: ") + std::strerror(errno);
            return false;
        }
        return readRawPcm16Stereo(stdin, "standard input", request.rawPcmRate, track, error);
    case AudioSource::demo:
        try {
            track = synthesiseDemoTrack();
        } catch (const std::bad_alloc&) {
            error = "not enough memory for the demo track";
            return false;
        }
        return true;
    }
    return true;
}
