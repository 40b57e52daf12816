#include "wav_bytes.h"

void appendU16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void appendU32(Bytes& out, std::uint32_t value) {
    appendU16(out, value & 0xFFFFu);
    appendU16(out, value >> 16);
}

Bytes chunkWithSize(const std::string& id, std::uint32_t size, const Bytes& body, bool pad) {
    Bytes out(id.begin(), id.end());
    appendU32(out, size);
    out.insert(out.end(), body.begin(), body.end());
    if (pad && body.size() % 2 == 1) out.push_back(0);
    return out;
}

Bytes chunk(const std::string& id, const Bytes& body) {
    return chunkWithSize(id, static_cast<std::uint32_t>(body.size()), body, true);
}

Bytes riffWaveWithSize(std::uint32_t size, const std::vector<Bytes>& chunks) {
    Bytes out = {'R', 'I', 'F', 'F'};
    appendU32(out, size);
    out.insert(out.end(), {'W', 'A', 'V', 'E'});
    for (const Bytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
    return out;
}

Bytes riffWave(const std::vector<Bytes>& chunks) {
    std::size_t size = 4;
    for (const Bytes& c : chunks) size += c.size();
    return riffWaveWithSize(static_cast<std::uint32_t>(size), chunks);
}

Bytes fmtBody(std::uint16_t formatTag, std::uint16_t channels, std::uint32_t sampleRate,
              std::uint16_t bitsPerSample) {
    const std::uint32_t blockAlign = channels * ((bitsPerSample + 7u) / 8u);
    Bytes out;
    appendU16(out, formatTag);
    appendU16(out, channels);
    appendU32(out, sampleRate);
    appendU32(out, sampleRate * blockAlign);
    appendU16(out, blockAlign);
    appendU16(out, bitsPerSample);
    return out;
}

Bytes extensibleFmtBody(std::uint16_t subFormat, std::uint16_t channels, std::uint32_t sampleRate,
                        std::uint16_t bitsPerSample, std::uint16_t validBits) {
    Bytes out = fmtBody(0xFFFE, channels, sampleRate, bitsPerSample);
    appendU16(out, 22);
    appendU16(out, validBits);
    appendU32(out, channels == 1 ? 0x4u : 0x3u);
    appendU16(out, subFormat);
    out.insert(out.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38,
                           0x9B, 0x71});
    return out;
}

Bytes simpleWav(const Bytes& fmt, const Bytes& data) {
    return riffWave({chunk("fmt ", fmt), chunk("data", data)});
}
