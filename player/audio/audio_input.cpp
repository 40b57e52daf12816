#include "audio_input.h"

#include "demo_track.h"
#include "media_foundation_reader.h"
#include "raw_pcm_reader.h"
#include "utf8_file.h"
#include "wav_reader.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

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

bool appendFrames(const std::vector<float>& block, int channels, AudioTrack& track)
{
    const std::size_t frames = block.size() / static_cast<std::size_t>(channels);
    if (frameCount(track) + frames > maxTrackFrames) {
        return false;
    }
    for (std::size_t i = 0; i < block.size(); i += static_cast<std::size_t>(channels)) {
        track.left.push_back(block[i]);
        if (track.channels == 2) {
            track.right.push_back(block[i + 1]);
        }
    }
    return true;
}

// The whole of a compressed file, decoded by Windows. A file that fails part way
// plays what decoded before the fault, which is named on stderr.
bool decodeWholeFile(const std::string& path, AudioTrack& track, std::string& error)
{
    MediaFoundationReader reader;
    if (!openMediaFoundationReader(path, reader, error)) {
        return false;
    }
    AudioTrack decoded;
    decoded.sampleRate = reader.sampleRate;
    decoded.channels = reader.channels >= 2 ? 2 : 1;
    std::vector<float> block;
    std::string fault;
    BlockStatus status = BlockStatus::samples;
    try {
        while ((status = readMediaFoundationBlock(reader, block, fault)) == BlockStatus::samples) {
            if (!appendFrames(block, reader.channels, decoded)) {
                closeMediaFoundationReader(reader);
                error = path + ": longer than the " + std::to_string(maxTrackFrames) +
                        " sample frames the player takes";
                return false;
            }
        }
    } catch (const std::bad_alloc&) {
        closeMediaFoundationReader(reader);
        error = path + ": not enough memory for the decoded audio";
        return false;
    }
    closeMediaFoundationReader(reader);
    if (frameCount(decoded) == 0) {
        error = status == BlockStatus::failed ? fault : path + ": no audio in it";
        return false;
    }
    if (status == BlockStatus::failed) {
        std::fprintf(stderr, "zelplay: %s; playing what decoded before it\n", fault.c_str());
    }
    track = std::move(decoded);
    return true;
}

} // namespace

bool loadAudio(const AudioRequest& request, AudioTrack& track, std::string& error)
{
    switch (request.source) {
    case AudioSource::none:
        return true;
    case AudioSource::file: {
        bool wav = false;
        if (!isWavFile(request.path, wav, error)) {
            return false;
        }
        if (!wav) {
            return decodeWholeFile(request.path, track, error);
        }
        if (!readWavFile(request.path, track, error)) {
            error += " (zelplay plays WAV files of 8-, 16-, 24- or 32-bit PCM or 32-bit float)";
            return false;
        }
        return true;
    }
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
