#include "render/scene.h"

#include "host/run_state.h"
#include "image/sprite_image.h"
#include "render/gl_api.h"
#include "render/sprite_queue.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

unsigned int frameTimeMs = 0;
float spriteAngle[maxSpriteCount] = {};

namespace {

constexpr int energyBins = 288;
constexpr float perEnergyUnit = 1.0f / 14000.0f;
constexpr float spriteDepth = -13.0f;
// Each sprite runs this far ahead of the one before it along the shared path.
constexpr unsigned int spriteLeadMs = 4000;
constexpr int firstCirclingSprite = 51;

// The time factors are single-precision constants, but the product with the tick
// count is formed in double so the motion stays smooth at any tick count.
double phase(unsigned int ms, float factor)
{
    return static_cast<double>(ms) * static_cast<double>(factor);
}

void setTurnAndSize(SpriteQuad& quad, int i, unsigned int t, unsigned int p)
{
    const float size = pluginSettings.spriteSize;
    if (pluginSettings.tumble) {
        quad.angleX = static_cast<float>(90 * std::sin(phase(t, 0.0001f)) + 90);
        quad.angleY = static_cast<float>(20 * i + 120);
        quad.angleZ = pluginSettings.spin ? spriteAngle[i] : 180.0f;
        quad.halfWidth = static_cast<float>(size + 0.2f * size * std::sin(phase(t, 0.0002f)));
        quad.halfHeight = static_cast<float>(size + 0.2f * size * std::sin(phase(t, 0.0001f)));
        return;
    }
    quad.angleX = 0.0f;
    quad.angleY = 0.0f;
    quad.angleZ = pluginSettings.spin ? static_cast<float>(90 * std::sin(phase(p, 0.001f))) : 180.0f;
    quad.halfWidth = size;
    quad.halfHeight = size;
}

void setPosition(SpriteQuad& quad, int i, unsigned int p)
{
    const float size = pluginSettings.spriteSize;
    if (pluginSettings.spriteCount < 2) {
        quad.x = 0.35714287f * size;
        quad.y = 0.5f * size;
    } else if (i < firstCirclingSprite) {
        const float e0 = spectrumEnergy(0);
        const float e1 = spectrumEnergy(1);
        quad.x = static_cast<float>(2 * e0 + 0.6 * size * std::sin(phase(p, 0.0004f)));
        quad.y = static_cast<float>(2 * e1 + 0.6 * size * std::sin(phase(p, 0.0005f)));
    } else {
        const double radius = 0.6 * size * 0.1f * (i - 30);
        quad.x = static_cast<float>(radius * std::sin(phase(p, 0.001f)));
        quad.y = static_cast<float>(radius * std::cos(phase(p, 0.001f)));
    }
}

} // namespace

float spectrumEnergy(int channel)
{
    const int channels = hostModule->channels;
    // A channel the host does not deliver falls back to the first one.
    if (channel >= channels)
        channel = 0;
    if (channel >= channels)
        return 0.0f;
    int sum = 0;
    for (int k = 0; k < energyBins; ++k)
        sum += hostModule->spectrumData[channel][k];
    return static_cast<float>(sum) * perEnergyUnit;
}

void buildScene()
{
    frameTimeMs = GetTickCount();
    const unsigned int t = frameTimeMs;
    // NOTE: spriteAngle has one slot per sprite; a larger count would write past it.
    const int count = std::min(pluginSettings.spriteCount, maxSpriteCount);
    for (int i = 0; i < count; ++i) {
        const int step = std::rand() % 10 - 2;
        spriteAngle[i] = spriteAngle[i] + 0.2f * static_cast<float>(step);

        // Unsigned arithmetic: the lead wraps modulo 2^32 like the tick count itself.
        const unsigned int p = t + spriteLeadMs * static_cast<unsigned int>(i);
        SpriteQuad quad{};
        setTurnAndSize(quad, i, t, p);
        setPosition(quad, i, p);
        quad.z = spriteDepth;
        quad.blendSource = GL_ONE_MINUS_SRC_COLOR;
        quad.blendDest = GL_ONE_MINUS_DST_COLOR;
        quad.alphaFunc = GL_GREATER;
        quad.noDepthWrite = 0;
        quad.frontTexture = static_cast<unsigned int>(spriteTexture);
        quad.backTexture = -1;
        queueSprite(quad);
    }
}
