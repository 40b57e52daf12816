// The scene: which sprites a frame queues, and where each stands, how it is
// turned and how large it is, from the settings, the clock, the music and the
// random walk. The expected values follow the motion's own precision rules: the
// tick count is widened exactly and multiplied in double by the single-precision
// factor, the sine is taken of that double, and only the result is rounded.

#include "render_fixture.h"

#include "host/plugin.h"
#include "image/sprite_image.h"
#include "render/gl_api.h"
#include "render/scene.h"
#include "render/sprite_queue.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>

namespace {

// Takes the queued sprites out of the queue, first queued first.
std::vector<SpriteQuad> takeQueue()
{
    std::vector<SpriteQuad> taken;
    while (spriteList != nullptr) {
        SpriteQuad* node = spriteList;
        taken.push_back(*node);
        spriteList = node->next;
        std::free(node);
    }
    return taken;
}

double timeArgument(std::uint32_t ms, float factor)
{
    return static_cast<double>(ms) * static_cast<double>(factor);
}

float energyOfLevel(unsigned char level)
{
    return static_cast<float>(level * energyBins) * (1.0f / 14000.0f);
}

struct Motion {
    const char* name;
    int tumble;
    int spin;
};

void PrintTo(const Motion& motion, std::ostream* out)
{
    *out << motion.name;
}

struct SceneInputs {
    std::uint32_t t;
    int count;
    float size;
    float e0;
    float e1;
};

// Sprite i of a frame, straight from the tables of rotation, size and position.
SpriteQuad expectedSprite(const SceneInputs& in, const Motion& motion, int i, float walkAngle)
{
    const std::uint32_t p = in.t + 4000u * static_cast<std::uint32_t>(i);
    const double s = in.size;
    SpriteQuad quad{};
    if (motion.tumble) {
        quad.angleX = static_cast<float>(90.0 * std::sin(timeArgument(in.t, 0.0001f)) + 90.0);
        quad.angleY = static_cast<float>(20 * i + 120);
        quad.angleZ = motion.spin ? walkAngle : 180.0f;
        quad.halfWidth = static_cast<float>(
            s + static_cast<double>(0.2f) * s * std::sin(timeArgument(in.t, 0.0002f)));
        quad.halfHeight = static_cast<float>(
            s + static_cast<double>(0.2f) * s * std::sin(timeArgument(in.t, 0.0001f)));
    } else {
        quad.angleX = 0.0f;
        quad.angleY = 0.0f;
        quad.angleZ = motion.spin ? static_cast<float>(90.0 * std::sin(timeArgument(p, 0.001f)))
                                  : 180.0f;
        quad.halfWidth = in.size;
        quad.halfHeight = in.size;
    }
    if (in.count < 2) {
        quad.x = 0.35714287f * in.size;
        quad.y = 0.5f * in.size;
    } else if (i <= 50) {
        quad.x = static_cast<float>(2.0 * in.e0 + 0.6 * s * std::sin(timeArgument(p, 0.0004f)));
        quad.y = static_cast<float>(2.0 * in.e1 + 0.6 * s * std::sin(timeArgument(p, 0.0005f)));
    } else {
        const double radius = 0.6 * s * static_cast<double>(0.1f) * (i - 30);
        quad.x = static_cast<float>(radius * std::sin(timeArgument(p, 0.001f)));
        quad.y = static_cast<float>(radius * std::cos(timeArgument(p, 0.001f)));
    }
    return quad;
}

void expectSpriteEquals(const SpriteQuad& actual, const SpriteQuad& expected, int i)
{
    SCOPED_TRACE("sprite " + std::to_string(i));
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.angleX, expected.angleX);
    EXPECT_EQ(actual.angleY, expected.angleY);
    EXPECT_EQ(actual.angleZ, expected.angleZ);
    EXPECT_EQ(actual.halfWidth, expected.halfWidth);
    EXPECT_EQ(actual.halfHeight, expected.halfHeight);
}

// The walk steps rand() will give for the next `count` sprites after srand(seed).
std::vector<int> walkSteps(unsigned int seed, int count)
{
    std::srand(seed);
    std::vector<int> steps;
    for (int i = 0; i < count; ++i)
        steps.push_back(std::rand() % 10 - 2);
    return steps;
}

class SceneTest : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        // The scene needs no display: only the module record and the sprite's name.
        hostModule = module;
        module->channels = 2;
        spriteTexture = 5;
    }
};

constexpr unsigned char loudLevel0 = 200;
constexpr unsigned char loudLevel1 = 40;

using SceneCase = std::tuple<Motion, std::uint32_t>;

class SceneRecords : public SceneTest, public ::testing::WithParamInterface<SceneCase> {};

TEST_P(SceneRecords, FollowTheMotionTablesAtThisTick)
{
    const auto& [motion, tick] = GetParam();
    pluginSettings.tumble = motion.tumble;
    pluginSettings.spin = motion.spin;
    pluginSettings.spriteCount = 60;  // sprites 0-50 on the shared path, 51-59 circling
    setLoudness(0, loudLevel0);
    setLoudness(1, loudLevel1);
    winstub::setTickCount(tick);
    constexpr unsigned int seed = 7;
    const std::vector<int> steps = walkSteps(seed, 60);
    std::srand(seed);

    buildScene();

    EXPECT_EQ(frameTimeMs, tick);
    const std::vector<SpriteQuad> queued = takeQueue();
    ASSERT_EQ(queued.size(), 60u);
    const SceneInputs in{tick, 60, 8.0f, energyOfLevel(loudLevel0), energyOfLevel(loudLevel1)};
    for (int i = 0; i < 60; ++i) {
        const float walk = 0.0f + 0.2f * static_cast<float>(steps[static_cast<std::size_t>(i)]);
        EXPECT_EQ(spriteAngle[i], walk) << "sprite " << i;
        const SpriteQuad& quad = queued[static_cast<std::size_t>(i)];
        expectSpriteEquals(quad, expectedSprite(in, motion, i, walk), i);
        EXPECT_EQ(quad.z, -13.0f);
        EXPECT_EQ(quad.blendSource, 0x301);
        EXPECT_EQ(quad.blendDest, 0x307);
        EXPECT_EQ(quad.alphaFunc, 0x204);
        EXPECT_EQ(quad.noDepthWrite, 0);
        EXPECT_EQ(quad.frontTexture, 5u);
        EXPECT_EQ(quad.backTexture, -1);
    }
}

const Motion motions[] = {
    {"Plain", 0, 0},
    {"Spin", 0, 1},
    {"Tumble", 1, 0},
    {"TumbleAndSpin", 1, 1},
};

// A small tick; one where a time argument rounded to single precision would be
// off by a large fraction of a radian; one where the higher sprites' lead wraps.
INSTANTIATE_TEST_SUITE_P(
    MotionsAndTicks, SceneRecords,
    ::testing::Combine(::testing::ValuesIn(motions),
                       ::testing::Values(123456u, 3000000007u, 4294960000u)),
    [](const ::testing::TestParamInfo<SceneCase>& param) {
        return std::string(std::get<0>(param.param).name) + "At" +
               std::to_string(std::get<1>(param.param));
    });

TEST_F(SceneTest, RecordsOfTheDefaultSceneAreUnturnedSquaresOnTheLissajousPath)
{
    winstub::setTickCount(987654321u);
    buildScene();
    const std::vector<SpriteQuad> queued = takeQueue();
    ASSERT_EQ(queued.size(), 8u);
    const SceneInputs in{987654321u, 8, 8.0f, 0.0f, 0.0f};
    for (int i = 0; i < 8; ++i) {
        const SpriteQuad& quad = queued[static_cast<std::size_t>(i)];
        expectSpriteEquals(quad, expectedSprite(in, Motion{"Plain", 0, 0}, i, 0.0f), i);
        EXPECT_EQ(quad.halfWidth, 8.0f);
        EXPECT_EQ(quad.angleZ, 180.0f);
        EXPECT_LE(std::abs(quad.x), 4.8f);
        EXPECT_LE(std::abs(quad.y), 4.8f);
    }
}

TEST_F(SceneTest, SingleSpriteStandsStillWhateverTheTimeAndTheMusic)
{
    pluginSettings.spriteCount = 1;
    pluginSettings.spriteSize = 2.0f;
    for (const std::uint32_t tick : {0u, 77777u, 4294967295u}) {
        for (const int level : {0, 255}) {
            setLoudness(0, static_cast<unsigned char>(level));
            setLoudness(1, static_cast<unsigned char>(level));
            winstub::setTickCount(tick);
            buildScene();
            const std::vector<SpriteQuad> queued = takeQueue();
            ASSERT_EQ(queued.size(), 1u);
            EXPECT_EQ(queued[0].x, 0.35714287f * 2.0f) << "tick " << tick << ", level " << level;
            EXPECT_EQ(queued[0].y, 1.0f) << "tick " << tick << ", level " << level;
            EXPECT_EQ(queued[0].halfWidth, 2.0f);
            EXPECT_EQ(queued[0].angleZ, 180.0f);
        }
    }
}

TEST_F(SceneTest, NoSpritesStillReadsTheClockButDrawsNoRandomNumber)
{
    for (const int count : {0, -3}) {
        pluginSettings.spriteCount = count;
        std::srand(11);
        const int firstRandom = std::rand();
        std::srand(11);
        winstub::setTickCount(4242u + static_cast<DWORD>(count));
        const int clockReads = winstub::callCount("GetTickCount");

        buildScene();

        EXPECT_EQ(winstub::callCount("GetTickCount"), clockReads + 1) << "count " << count;
        EXPECT_EQ(frameTimeMs, 4242u + static_cast<unsigned int>(count));
        EXPECT_EQ(spriteList, nullptr);
        EXPECT_EQ(std::rand(), firstRandom) << "the generator was not advanced";
    }
}

TEST_F(SceneTest, NeverRunsMoreSpritesThanThereAreWalkSlots)
{
    pluginSettings.spriteCount = maxSpriteCount + 5;
    std::srand(3);
    for (int i = 0; i < maxSpriteCount; ++i)
        std::rand();
    const int afterAllSlots = std::rand();
    std::srand(3);

    buildScene();

    EXPECT_EQ(takeQueue().size(), static_cast<std::size_t>(maxSpriteCount));
    EXPECT_EQ(std::rand(), afterAllSlots) << "one random step per slot, no more";
}

TEST_F(SceneTest, RandomWalkStepsAreWholeFifthsFromMinusTwoToSeven)
{
    pluginSettings.spriteCount = 8;
    std::array<int, 10> seen{};
    for (int frame = 0; frame < 300; ++frame) {
        std::array<float, 9> before{};
        std::copy_n(spriteAngle, 9, before.begin());
        winstub::setTickCount(static_cast<DWORD>(frame * 40));
        buildScene();
        takeQueue();
        for (int i = 0; i < 8; ++i) {
            const float change = spriteAngle[i] - before[static_cast<std::size_t>(i)];
            const int step = static_cast<int>(std::lround(change / 0.2f));
            ASSERT_GE(step, -2) << "frame " << frame << ", sprite " << i << ", change " << change;
            ASSERT_LE(step, 7) << "frame " << frame << ", sprite " << i << ", change " << change;
            EXPECT_NEAR(change, 0.2f * static_cast<float>(step), 1e-3f);
            ++seen[static_cast<std::size_t>(step + 2)];
        }
        EXPECT_EQ(spriteAngle[8], 0.0f) << "a slot beyond the count moved";
    }
    for (int step = -2; step <= 7; ++step)
        EXPECT_GT(seen[static_cast<std::size_t>(step + 2)], 100) << "step " << step;
}

TEST_F(SceneTest, WalkAngleAccumulatesOverFramesAsTheTurnOfTumblingSpinningSprites)
{
    pluginSettings.tumble = 1;
    pluginSettings.spin = 1;
    pluginSettings.spriteCount = 3;
    const std::vector<int> steps = walkSteps(5, 9);
    std::srand(5);
    std::array<float, 3> walk{};
    for (int frame = 0; frame < 3; ++frame) {
        buildScene();
        const std::vector<SpriteQuad> queued = takeQueue();
        ASSERT_EQ(queued.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            walk[i] = walk[i] + 0.2f * static_cast<float>(steps[static_cast<std::size_t>(frame) * 3 + i]);
            EXPECT_EQ(queued[i].angleZ, walk[i]) << "frame " << frame << ", sprite " << i;
        }
    }
}

TEST_F(SceneTest, LeadOfTheHigherSpritesWrapsWithTheTickCount)
{
    constexpr std::uint32_t tick = 0xFFFFFFFFu - 9000u;
    winstub::setTickCount(tick);
    buildScene();
    const std::vector<SpriteQuad> queued = takeQueue();
    ASSERT_EQ(queued.size(), 8u);
    const SceneInputs in{tick, 8, 8.0f, 0.0f, 0.0f};
    for (int i = 0; i < 8; ++i)
        expectSpriteEquals(queued[static_cast<std::size_t>(i)],
                           expectedSprite(in, Motion{"Plain", 0, 0}, i, 0.0f), i);

    // Sprite 3 is 12 s ahead: its p wrapped to 2999 ms. Had the lead been added
    // without wrapping, it would stand elsewhere on the path.
    const double unwrapped = 4294967296.0 + 2999.0;
    const auto unwrappedX = static_cast<float>(
        4.8 * std::sin(unwrapped * static_cast<double>(0.0004f)));
    EXPECT_EQ(queued[3].x, static_cast<float>(4.8 * std::sin(2999.0 * static_cast<double>(0.0004f))));
    EXPECT_GT(std::abs(queued[3].x - unwrappedX), 0.1f);

    // And when the tick count itself wraps, the whole group jumps once.
    winstub::setTickCount(0);
    buildScene();
    const std::vector<SpriteQuad> wrapped = takeQueue();
    ASSERT_EQ(wrapped.size(), 8u);
    EXPECT_EQ(wrapped[0].x, 0.0f);
    EXPECT_EQ(wrapped[0].y, 0.0f);
}

struct EnergyCase {
    const char* name;
    int channels;
    unsigned char row0;
    unsigned char row1;
    float expected0;
    float expected1;
};

void PrintTo(const EnergyCase& energyCase, std::ostream* out)
{
    *out << energyCase.name;
}

class SpectrumEnergy : public SceneTest, public ::testing::WithParamInterface<EnergyCase> {};

TEST_P(SpectrumEnergy, AddsTheFirstBinsOfTheChannelsTheHostDelivers)
{
    const EnergyCase& energyCase = GetParam();
    module->channels = energyCase.channels;
    setLoudness(0, energyCase.row0);
    setLoudness(1, energyCase.row1);
    // The upper half of each row is never part of the measure.
    std::fill(std::begin(module->spectrumData[0]) + energyBins, std::end(module->spectrumData[0]),
              255);
    std::fill(std::begin(module->spectrumData[1]) + energyBins, std::end(module->spectrumData[1]),
              255);

    EXPECT_FLOAT_EQ(spectrumEnergy(0), energyCase.expected0);
    EXPECT_FLOAT_EQ(spectrumEnergy(1), energyCase.expected1);
}

INSTANTIATE_TEST_SUITE_P(
    Channels, SpectrumEnergy,
    ::testing::Values(EnergyCase{"Silence", 2, 0, 0, 0.0f, 0.0f},
                      EnergyCase{"FullScale", 2, 255, 255, 73440.0f / 14000.0f, 73440.0f / 14000.0f},
                      EnergyCase{"StereoApart", 2, 100, 10, 28800.0f / 14000.0f, 2880.0f / 14000.0f},
                      EnergyCase{"MonoReadsChannelZeroTwice", 1, 100, 255, 28800.0f / 14000.0f,
                                 28800.0f / 14000.0f},
                      EnergyCase{"NoChannels", 0, 255, 255, 0.0f, 0.0f}),
    [](const ::testing::TestParamInfo<EnergyCase>& param) { return std::string(param.param.name); });

TEST_F(SceneTest, LoudnessShiftsTheGroupRightAndUpByTwiceTheEnergies)
{
    pluginSettings.spriteCount = 8;
    winstub::setTickCount(55555u);
    buildScene();
    const std::vector<SpriteQuad> silent = takeQueue();

    setLoudness(0, 255);
    setLoudness(1, 100);
    winstub::setTickCount(55555u);
    buildScene();
    const std::vector<SpriteQuad> loud = takeQueue();

    ASSERT_EQ(silent.size(), 8u);
    ASSERT_EQ(loud.size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_NEAR(loud[i].x - silent[i].x, 2 * 73440.0 / 14000.0, 1e-5) << "sprite " << i;
        EXPECT_NEAR(loud[i].y - silent[i].y, 2 * 28800.0 / 14000.0, 1e-5) << "sprite " << i;
    }
}

} // namespace
