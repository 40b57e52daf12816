// What a frame of the plug-in costs on Mesa, against the floor of the passes
// such a frame cannot do without (floor_frame.h). Three variants (the plug-in,
// the plug-in without sprites, the floor) run interleaved frame by frame, the
// order turning each time, each frame finished with glFinish as a real buffer
// swap would wait for it, so that a slow moment of this shared machine falls on
// all three alike. A round is a number of frames of each; ratios are taken per
// round. The record-mode benchmark runs it for one size at a time, between its
// recordings, with shorter rounds.
//
//   frame_cost_bench ASSETS_DIR OUT.json [ROUNDS] [--sizes WxH,...] [--round-seconds S]

#include "floor_frame.h"
#include "hosted_plugin.h"

#include "host/plugin.h"
#include "host/settings.h"
#include "render/gl_api.h"
#include "winstub.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Size {
    int width;
    int height;
};

constexpr std::array<Size, 3> defaultSizes{{{640, 480}, {1280, 720}, {1920, 1080}}};
constexpr double defaultRoundSeconds = 1.5; // per variant
constexpr int warmFrames = 2;

enum Variant { pluginFrame, pluginWithoutSprites, floorFrame, variantCount };
constexpr std::array<const char*, variantCount> variantNames{"plugin", "plugin_no_sprites",
                                                              "floor"};

// What the floor's passes cost one by one, each finished with glFinish: the
// clears, the copies, the trail quad and the glow layers.
constexpr int passKinds = 4;
constexpr std::array<const char*, passKinds> passKindNames{"clears", "copies", "trail_quad",
                                                           "glow_layers"};

int passKind(FloorPass pass)
{
    switch (pass) {
    case FloorPass::clear:
        return 0;
    case FloorPass::glowCopy:
    case FloorPass::trailCopy:
        return 1;
    case FloorPass::trailQuad:
        return 2;
    case FloorPass::glowLayers:
        return 3;
    }
    return 0;
}

struct SizeResult {
    Size size;
    int framesPerRound;
    std::array<std::vector<double>, variantCount> msPerFrame;
    std::array<double, passKinds> floorPassMs;
};

class Bench {
public:
    explicit Bench(const std::string& assetsDir)
        : module(startPlugin(assetsDir)), plugin(pluginWindow()), floorWindow(openFloorWindow())
    {
    }

    SizeResult measure(Size size, int rounds, double roundSeconds)
    {
        useWindow(floorWindow, size.width, size.height);
        const FloorFrame floor = makeFloorFrame(size.width, size.height);
        useWindow(plugin, size.width, size.height);

        SizeResult result{.size = size, .framesPerRound = 0, .msPerFrame = {}, .floorPassMs = {}};
        for (int variant = 0; variant < variantCount; ++variant) {
            for (int frame = 0; frame < warmFrames; ++frame)
                runFrame(static_cast<Variant>(variant), floor);
        }
        const double oneFrame = runFrame(pluginFrame, floor);
        result.framesPerRound =
            std::clamp(static_cast<int>(roundSeconds / oneFrame), 3, 200);

        for (int round = 0; round < rounds; ++round) {
            std::array<double, variantCount> seconds{};
            for (int frame = 0; frame < result.framesPerRound; ++frame) {
                for (int step = 0; step < variantCount; ++step) {
                    const auto variant = static_cast<Variant>((round + frame + step) % variantCount);
                    seconds[variant] += runFrame(variant, floor);
                }
            }
            for (int variant = 0; variant < variantCount; ++variant)
                result.msPerFrame[variant].push_back(seconds[variant] * 1000.0 / result.framesPerRound);
            winstub::clearCalls();
        }
        result.floorPassMs = timeFloorPasses(floor, result.framesPerRound);
        const GLuint textures[] = {floor.glowTexture, floor.trailTexture};
        glDeleteTextures(2, textures);
        return result;
    }

    // Median cost of the stand-in's SwapBuffers (it logs the call and, unless a
    // test asked to keep images, does nothing else), in nanoseconds.
    double swapNanoseconds()
    {
        std::vector<double> samples;
        constexpr int calls = 10000;
        for (int sample = 0; sample < 15; ++sample) {
            winstub::clearCalls();
            const auto start = Clock::now();
            for (int i = 0; i < calls; ++i)
                SwapBuffers(plugin.deviceContext);
            samples.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count() /
                              calls);
        }
        winstub::clearCalls();
        std::ranges::nth_element(samples, samples.begin() + samples.size() / 2);
        return samples[samples.size() / 2];
    }

    std::string renderer()
    {
        return rendererName();
    }

private:
    // Milliseconds per frame of each kind of pass, over `frames` frames.
    std::array<double, passKinds> timeFloorPasses(const FloorFrame& floor, int frames)
    {
        wglMakeCurrent(floorWindow.deviceContext, floorWindow.glContext);
        std::array<double, passKinds> ms{};
        glFinish();
        for (int frame = 0; frame < frames; ++frame) {
            for (const FloorPass pass : floorPasses) {
                const auto start = Clock::now();
                drawFloorPass(floor, pass);
                glFinish();
                ms[passKind(pass)] +=
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            }
        }
        for (double& kind : ms)
            kind /= frames;
        return ms;
    }

    // One frame of a variant in its own context, finished; its time in seconds.
    double runFrame(Variant variant, const FloorFrame& floor)
    {
        const BenchWindow& window = variant == floorFrame ? floorWindow : plugin;
        wglMakeCurrent(window.deviceContext, window.glContext);
        pluginSettings.spriteCount = variant == pluginWithoutSprites ? 0 : defaultSettings.spriteCount;
        if (variant != floorFrame) {
            for (auto& row : module->spectrumData) {
                for (unsigned char& bin : row)
                    bin = static_cast<unsigned char>(random() & 0xFF);
            }
            tickMs += 16;
            winstub::setTickCount(tickMs);
        }
        const auto start = Clock::now();
        if (variant == floorFrame)
            drawFloorFrame(floor);
        else
            renderPlugin(module);
        glFinish();
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

    VisModule* module;
    BenchWindow plugin;
    BenchWindow floorWindow;
    std::minstd_rand random{1};
    DWORD tickMs = 1000;
};

std::string jsonList(const std::vector<double>& values)
{
    std::string list = "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        char number[32];
        std::snprintf(number, sizeof number, "%s%.4f", i ? ", " : "", values[i]);
        list += number;
    }
    return list + "]";
}

struct Arguments {
    std::string assetsDir;
    std::string outPath;
    int rounds = 15;
    std::vector<Size> sizes{defaultSizes.begin(), defaultSizes.end()};
    double roundSeconds = defaultRoundSeconds;
};

bool parseSizes(const std::string& text, std::vector<Size>& sizes)
{
    sizes.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        Size size{};
        char extra = 0;
        const std::string item = text.substr(start, end - start);
        if (std::sscanf(item.c_str(), "%dx%d%c", &size.width, &size.height, &extra) != 2 ||
            size.width < 1 || size.height < 1)
            return false;
        sizes.push_back(size);
        start = end + 1;
    }
    return !sizes.empty();
}

bool parseArguments(int argc, char** argv, Arguments& arguments)
{
    if (argc < 3)
        return false;
    arguments.assetsDir = argv[1];
    arguments.outPath = argv[2];
    int next = 3;
    if (next < argc && argv[next][0] != '-')
        arguments.rounds = std::max(1, std::atoi(argv[next++]));
    for (; next + 1 < argc; next += 2) {
        const std::string name = argv[next];
        const std::string value = argv[next + 1];
        if (name == "--sizes") {
            if (!parseSizes(value, arguments.sizes))
                return false;
        } else if (name == "--round-seconds") {
            arguments.roundSeconds = std::atof(value.c_str());
            if (!(arguments.roundSeconds > 0.0))
                return false;
        } else {
            return false;
        }
    }
    return next == argc;
}

} // namespace

int main(int argc, char** argv)
{
    Arguments arguments;
    if (!parseArguments(argc, argv, arguments)) {
        std::fprintf(stderr,
                     "usage: %s ASSETS_DIR OUT.json [ROUNDS] [--sizes WxH,...] [--round-seconds S]\n",
                     argv[0]);
        return 2;
    }
    const int rounds = arguments.rounds;
    Bench bench(arguments.assetsDir);
    const std::string renderer = bench.renderer();
    const double swapNs = bench.swapNanoseconds();

    std::vector<SizeResult> results;
    for (const Size size : arguments.sizes) {
        results.push_back(bench.measure(size, rounds, arguments.roundSeconds));
        const SizeResult& last = results.back();
        std::printf("%d x %d: %d frames of each variant a round, %d rounds\n", size.width,
                    size.height, last.framesPerRound, rounds);
    }

    std::FILE* out = std::fopen(arguments.outPath.c_str(), "w");
    if (!out) {
        std::perror(arguments.outPath.c_str());
        return 1;
    }
    std::fprintf(out, "{\n  \"renderer\": \"%s\",\n  \"swap_ns\": %.1f,\n  \"sizes\": [\n",
                 renderer.c_str(), swapNs);
    for (std::size_t i = 0; i < results.size(); ++i) {
        const SizeResult& result = results[i];
        std::fprintf(out, "    {\"width\": %d, \"height\": %d, \"frames_per_round\": %d",
                     result.size.width, result.size.height, result.framesPerRound);
        for (int variant = 0; variant < variantCount; ++variant) {
            std::fprintf(out, ",\n     \"%s_ms\": %s", variantNames[variant],
                         jsonList(result.msPerFrame[variant]).c_str());
        }
        std::fprintf(out, ",\n     \"floor_pass_ms\": {");
        for (int kind = 0; kind < passKinds; ++kind) {
            std::fprintf(out, "%s\"%s\": %.4f", kind ? ", " : "", passKindNames[kind],
                         result.floorPassMs[kind]);
        }
        std::fprintf(out, "}}%s\n", i + 1 < results.size() ? "," : "");
    }
    std::fprintf(out, "  ]\n}\n");
    std::fclose(out);
    return 0;
}
