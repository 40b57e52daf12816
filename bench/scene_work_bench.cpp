// The plug-in's own work in a frame outside OpenGL: buildScene (clock, energies,
// the sprites' motion, the queue) plus the glow's two energies, and freeing the
// queue as the frame's last draw does. buildScene makes no GL call, so no context
// is needed: the nodes are freed here directly instead of by drawSpriteList,
// which would draw them. GetTickCount is the stand-in's, which also logs the
// call; tickCountInStandIn shows what that adds.

#include "host/plugin.h"
#include "host/settings.h"
#include "render/scene.h"
#include "render/sprite_queue.h"
#include "winstub.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

namespace {

// The stand-in's call log grows with every GetTickCount; clear it now and then
// (the clearing is timed too, a few nanoseconds an iteration).
constexpr int logClearInterval = 1024;

void prepareModule(int channels)
{
    static VisModule module{};
    std::minstd_rand random(7);
    for (auto& row : module.spectrumData) {
        for (unsigned char& bin : row)
            bin = static_cast<unsigned char>(random() & 0xFF);
    }
    module.channels = channels;
    hostModule = &module;
    pluginSettings = defaultSettings;
}

void freeQueue()
{
    while (spriteList != nullptr) {
        SpriteQuad* next = spriteList->next;
        std::free(spriteList);
        spriteList = next;
    }
}

void sceneWorkPerFrame(benchmark::State& state)
{
    prepareModule(2);
    int sinceClear = 0;
    DWORD tickMs = 1000;
    for (auto _ : state) {
        tickMs += 16;
        winstub::setTickCount(tickMs);
        buildScene();
        benchmark::DoNotOptimize(spectrumEnergy(0));
        benchmark::DoNotOptimize(spectrumEnergy(1));
        freeQueue();
        if (++sinceClear == logClearInterval) {
            winstub::clearCalls();
            sinceClear = 0;
        }
    }
}
BENCHMARK(sceneWorkPerFrame)->Unit(benchmark::kMicrosecond);

void spectrumEnergyOfOneChannel(benchmark::State& state)
{
    prepareModule(2);
    for (auto _ : state)
        benchmark::DoNotOptimize(spectrumEnergy(1));
}
BENCHMARK(spectrumEnergyOfOneChannel)->Unit(benchmark::kNanosecond);

void queueAndFreeEightSprites(benchmark::State& state)
{
    prepareModule(2);
    SpriteQuad quad{};
    for (auto _ : state) {
        for (int i = 0; i < defaultSettings.spriteCount; ++i)
            queueSprite(quad);
        benchmark::DoNotOptimize(spriteList);
        freeQueue();
    }
}
BENCHMARK(queueAndFreeEightSprites)->Unit(benchmark::kNanosecond);

void tickCountInStandIn(benchmark::State& state)
{
    int sinceClear = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetTickCount());
        if (++sinceClear == logClearInterval) {
            winstub::clearCalls();
            sinceClear = 0;
        }
    }
}
BENCHMARK(tickCountInStandIn)->Unit(benchmark::kNanosecond);

} // namespace
