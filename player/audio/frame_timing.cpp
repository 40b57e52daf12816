#include "frame_timing.h"

#include <algorithm>

std::uint32_t recordClockMs(std::uint32_t startMs, std::uint64_t frame, int fps) {
    // Formed in 64 bits and reduced modulo 2^32 by the conversion, as the tick count wraps.
    return static_cast<std::uint32_t>(startMs + frame * 1000u / static_cast<std::uint64_t>(fps));
}

double recordFrameSeconds(std::uint64_t frame, int fps) {
    return static_cast<double>(frame) / fps;
}

std::uint64_t recordFrameCount(std::uint64_t sampleFrames, int sampleRate, int fps) {
    const auto rate = static_cast<std::uint64_t>(sampleRate);
    return (sampleFrames * static_cast<std::uint64_t>(fps) + rate - 1) / rate;
}

std::uint64_t recordFrameSample(std::uint64_t frame, int sampleRate, int fps) {
    return frame * static_cast<std::uint64_t>(sampleRate) / static_cast<std::uint64_t>(fps);
}

double liveAnalysisSeconds(double heardSeconds, int latencyMs) {
    return heardSeconds + std::clamp(latencyMs, 0, maxLatencyMs) / 1000.0;
}
