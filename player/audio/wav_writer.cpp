#include "wav_writer.h"

#include "pcm_samples.h"
#include "utf8_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

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

// The 44 bytes before the samples.
void putHeader(std::vector<std::uint8_t>& out, std::uint32_t channels, int sampleRate,
               std::uint32_t dataBytes) {
    const std::uint32_t blockAlign = channels * 2u;
    putId(out, "RIFF");
    putU32le(out, 36u + dataBytes);
    putId(out, "WAVE");
    putId(out, "fmt ");
    putU32le(out, 16);
    putU16le(out, 1);  // PCM
    putU16le(out, channels);
    putU32le(out, static_cast<std::uint32_t>(sampleRate));
    putU32le(out, static_cast<std::uint32_t>(sampleRate) * blockAlign);
    putU16le(out, blockAlign);
    putU16le(out, 16);
    putId(out, "data");
    putU32le(out, dataBytes);
}

constexpr std::uint64_t maxDataBytes = 0xFFFFFFFFu - 36u;

}  // namespace

std::vector<std::uint8_t> encodeWav16(const AudioTrack& track) {
    const std::uint32_t channels = track.channels >= 2 ? 2u : 1u;
    const std::size_t frames = frameCount(track);
    const auto dataBytes = static_cast<std::uint32_t>(frames * channels * 2u);

    std::vector<std::uint8_t> out;
    out.reserve(44 + std::size_t{dataBytes});
    putHeader(out, channels, track.sampleRate, dataBytes);
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
    if (dataBytes > maxDataBytes) return fail("track too long for a WAV file");
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

bool writeWav16File(const std::string& path, AudioStream& stream, std::string& error) {
    const auto fail = [&](const std::string& fault) {
        error = path + ": " + fault;
        return false;
    };
    std::FILE* file = openFileUtf8(path, "wb");
    if (!file) return fail(std::string("cannot create: ") + std::strerror(errno));
    const std::uint32_t channels = stream.channels >= 2 ? 2u : 1u;
    std::vector<std::uint8_t> bytes;
    // The sizes are filled in once the stream has ended.
    putHeader(bytes, channels, stream.sampleRate, 0);
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    constexpr std::size_t blockFrames = 4096;
    std::vector<float> left(blockFrames);
    std::vector<float> right(blockFrames);
    std::uint64_t dataBytes = 0;
    std::string fault;
    std::optional<std::size_t> got;
    while (written && (got = stream.read(left.data(), right.data(), blockFrames, fault)) && *got > 0) {
        bytes.clear();
        for (std::size_t i = 0; i < *got; ++i) {
            putSample(bytes, left[i]);
            if (channels == 2) putSample(bytes, right[i]);
        }
        dataBytes += bytes.size();
        written = dataBytes <= maxDataBytes && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    if (written && got && dataBytes > 0) {
        bytes.clear();
        putHeader(bytes, channels, stream.sampleRate, static_cast<std::uint32_t>(dataBytes));
        written = std::fseek(file, 0, SEEK_SET) == 0 &&
                  std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!got) {
        removeFileUtf8(path);
        error = fault;
        return false;
    }
    if (dataBytes == 0 || dataBytes > maxDataBytes || !written || !closed) {
        removeFileUtf8(path);
        if (dataBytes == 0) {
            error = stream.name + ": " + noAudioFault;
            return false;
        }
        if (dataBytes > maxDataBytes) return fail("track too long for a WAV file");
        return fail(std::string("write failed: ") + std::strerror(written ? errno : writeErrno));
    }
    return true;
}
