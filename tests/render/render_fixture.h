#pragma once
// The ground of the rendering tests: the plug-in started through the stand-in
// with a picture whose orientation can be read off the screen, every presented
// frame kept, and the clock and the spectrum in the test's hands.

#include "frame_pixels.h"
#include "gl_call_log.h"
#include "plugin_fixture.h"

#include "host/settings.h"
#include "render/sprite_queue.h"

#include <string>
#include <vector>

// The test picture, 32 x 32: red top-left, green top-right, blue bottom-left and
// yellow bottom-right quadrants around a black 8 x 8 centre that keys out.
constexpr int quadrantPictureSide = 32;
std::vector<unsigned char> quadrantPictureBmp();

// Spectrum bins the loudness measure adds up, per channel.
constexpr int energyBins = 288;

// One integer of the current GL state.
int integerState(unsigned int which);

// A rectangle texture's level 0 as an image, top row first (the copy of a frame
// has its bottom row at t = 0); empty when the name is no texture of this context.
winstub::Image readRectangleTexture(unsigned int name);

// How many pixels of `after` differ by more than `tolerance` in some channel from
// `before` magnified about the view's centre by the trail's inset quad: pixel
// (x, y) of `after` shows `before` at (insetX + (x + 0.5) * (w - 2 insetX) / w - 0.5,
// likewise for y). `firstMismatch` tells where the first one was. With no inset and
// no tolerance it compares the two pixel for pixel.
int trailMismatches(const winstub::Image& before, const winstub::Image& after, double insetX,
                    double insetY, int tolerance, std::string& firstMismatch);

// A sprite record for direct drawing, set up as the scene sets up its sprites.
SpriteQuad sceneLikeSprite(float x, float y, float halfSize, unsigned int texture);

class RenderTest : public PluginTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Init, which must succeed, with two audio channels in silence; from then on
    // every presented frame is kept.
    [[nodiscard]] bool startPlugin();
    // Everything back as at DLL load, then startPlugin again.
    [[nodiscard]] bool restartPlugin();

    // One render call at that tick count; the frame it presented.
    winstub::Image renderAt(DWORD tickMs);

    // The first `energyBins` bytes of one spectrum row at `level`, the rest 0.
    void setLoudness(int channel, unsigned char level);
};
