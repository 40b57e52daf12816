// Hours of music in one run: many frames with a new spectrum each, watching for
// GL errors and for memory that grows with the frame count.

#include "endurance_fixture.h"
#include "live_heap.h"
#include "render/sprite_queue.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int frameCount = 20000;
constexpr int warmFrames = 2000;
constexpr int sampleWindow = 2000;
constexpr int sampleEvery = 100;
constexpr unsigned int frameStepMs = 16;

// Resident memory moves by up to about a megabyte between samples without any
// leak (allocators keep and return pages of freed blocks; ASan's quarantine,
// capped for this program in sanitizer_options.cpp, holds freed blocks for a
// while), so the medians of two windows of samples are compared. A block of a
// sprite node's size (64 bytes) left behind every frame grows the resident size
// under ASan by about 1.5 MiB over these frames; 1 MiB of slack still catches
// that, the smallest leak that matters here. The count of heap blocks held by
// our own code is compared exactly.
constexpr std::size_t residentMargin = 1 << 20;

std::size_t median(std::vector<std::size_t> samples)
{
    std::ranges::nth_element(samples, samples.begin() + samples.size() / 2);
    return samples[samples.size() / 2];
}

using LongRunTest = EnduranceTest;

TEST_F(LongRunTest, TwentyThousandFramesRaiseNoGlErrorAndKeepMemoryFlat)
{
    startSmallRun();
    std::string firstErrors;
    int firstErrorFrame = 0;
    std::vector<std::size_t> warmResident;
    std::vector<std::size_t> lateResident;
    std::ptrdiff_t warmBlocks = 0;

    for (int frame = 1; frame <= frameCount; ++frame) {
        fillSpectrumRandomly();
        winstub::setTickCount(static_cast<DWORD>(frame) * frameStepMs);
        renderPlugin(module);
        ASSERT_EQ(spriteList, nullptr) << "frame " << frame << " left sprites queued";
        const std::string errors = pendingGlErrors();
        if (!errors.empty() && firstErrors.empty()) {
            firstErrors = errors;
            firstErrorFrame = frame;
        }
        // The stand-in logs every call; without clearing, the log alone would grow.
        if (frame % 1000 == 0)
            winstub::clearCalls();
        if (frame == warmFrames)
            warmBlocks = liveHeap::blocks();
        if (frame % sampleEvery == 0) {
            if (frame >= warmFrames && frame < warmFrames + sampleWindow)
                warmResident.push_back(residentBytes());
            if (frame > frameCount - sampleWindow)
                lateResident.push_back(residentBytes());
        }
    }

    EXPECT_EQ(firstErrors, "") << "first GL error at frame " << firstErrorFrame;
    EXPECT_EQ(liveHeap::blocks(), warmBlocks)
        << "heap blocks held by our code changed between frame " << warmFrames << " and "
        << frameCount;
    const std::size_t warm = median(warmResident);
    const std::size_t late = median(lateResident);
    EXPECT_LE(late, warm + residentMargin)
        << "median resident memory grew from " << warm << " bytes (frames " << warmFrames
        << " to " << warmFrames + sampleWindow << ") to " << late << " bytes (the last "
        << sampleWindow << " frames)";
}

} // namespace
