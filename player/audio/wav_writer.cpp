#include "wav_writer.h"

#include "pcm_samples.h"
#include "utf8_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void putU16le(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putU32le(std::vector<std::uint8_t>& out, std::uint32_t value) {
    putU16le(out, value & 0xFFFFu);
    putU16le(out, value >> 16);
}

void putId(std::vector<std::uint8_t>& out, const char (&id)[5]) {
    // NOTE: byte by byte, because GCC 12 for i686 sees a false overflow in a range insert
    // of a string literal into an empty vector (-Wstringop-overflow).
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(id[i]));
}

void putSample(std::vector<std::uint8_t>& out, float sample) {
    putU16le(out, static_cast<std::uint16_t>(floatToPcmS16(sample)));
}

}  // namespace

std::vector<std::uint8_t> encodeWav16(const AudioTrack& track) {
    const std::uint32_t channels = track.channels >= 2 ? 2u : 1u;
    const std::uint32_t blockAlign = channels * 2u;
    const std::size_t frames = frameCount(track);
    const auto dataBytes = static_cast<std::uint32_t>(frames * blockAlign);

    std::vector<std::uint8_t> out;
    out.reserve(44 + std::size_t{dataBytes});
    putId(out, "RIFF");
    putU32le(out, 36u + dataBytes);
    putId(out, "WAVE");
    putId(out, "fmt ");
    putU32le(out, 16);
    putU16le(out, 1);  // PCM
    putU16le(out, channels);
    putU32le(out, static_cast<std::uint32_t>(track.sampleRate));
    putU32le(out, static_cast<std::uint32_t>(track.sampleRate) * blockAlign);
    putU16le(out, blockAlign);
    putU16le(out, 16);
    putId(out, "data");
    putU32le(out, dataBytes);
    for (std::size_t i = 0; i < frames; ++i) {
        putSample(out, track.left[i]);
        if (channels == 2) putSample(out, track.right[i]);
    }
    return out;
}

bool writeWav16File(const std::string& path, const AudioTrack& track, std::string& error) {
    const auto fail = [&](const std::string& fault) {
        error = path + ": " + fault;
        return false;
    };
    const std::uint64_t dataBytes = std::uint64_t{frameCount(track)} * (track.channels >= 2 ? 4u : 2u);
    if (dataBytes > 0xFFFFFFFFu - 36u) return fail("track too long for a WAV file");
    const std::vector<std::uint8_t> bytes = encodeWav16(track);
    std::FILE* file = openFileUtf8(path, "wb");
    if (!file) return fail(std::string("cannot create: ") + std::strerror(errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written) return fail(std::string("write failed: ") + std::strerror(writeErrno));
    if (!closed) return fail(std::string("write failed: ") + std::strerror(errno));
    return true;
}
