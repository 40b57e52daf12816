#include "audio_input.h"

#include "demo_track.h"
#include "media_foundation_stream.h"
#include "raw_pcm_reader.h"
#include "utf8_file.h"
#include "wav_reader.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// WAV files go to the player's own reader, which is exact and needs nothing of
// Windows; every other file to Windows' decoders. A WAV file is told by its first
// bytes, not its name.
bool isWavFile(const std::string& path, bool& wav, std::string& error)
{
    std::FILE* file = openFileUtf8(path, "rb");
    if (file == nullptr) {
        error = path + ": cannot open: " + std::strerror(errno);
        return false;
    }
    unsigned char header[12] = {};
    const std::size_t got = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    wav = got == sizeof header && std::memcmp(header, "RIFF", 4) == 0 &&
          std::memcmp(header + 8, "WAVE", 4) == 0;
    return true;
}

bool openFileStream(const std::string& path, AudioStream& stream, std::string& error)
{
    bool wav = false;
    if (!isWavFile(path, wav, error)) {
        return false;
    }
    if (!wav) {
        return openMediaFoundationStream(path, stream, error);
    }
    if (!openWavFile(path, stream, error)) {
        error += " (zelplay plays WAV files of 8-, 16-, 24- or 32-bit PCM or 32-bit float)";
        return false;
    }
    return true;
}

} // namespace

bool openAudioStream(const AudioRequest& request, AudioStream& stream, std::string& error)
{
    switch (request.source) {
    case AudioSource::none:
        return true;
    case AudioSource::file:
        return openFileStream(request.path, stream, error);
    case AudioSource::rawPcm:
        // NOTE: in text mode the C runtime would drop 0x0D bytes before 0x0A and stop
        // at the first 0x1A, both common in PCM.
        if (_setmode(_fileno(stdin), _O_BINARY) == -1) {
            error = std::string("cannot put standard input in binary mode: ") + std::strerror(errno);
            return false;
        }
        return openRawPcm16Stereo(stdin, "standard input", request.rawPcmRate, stream, error);
    case AudioSource::demo:
        stream = demoTrackStream();
        return true;
    }
    return true;
}

bool openAudio(const AudioRequest& request, TrackWindow& track, std::string& error)
{
    AudioStream stream;
    if (!openAudioStream(request, stream, error)) {
        return false;
    }
    return request.source == AudioSource::none || openTrackWindow(track, std::move(stream), error);
}
